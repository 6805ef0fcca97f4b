#ifndef KESTRABIN_TESTS_SUPPORT_SCRATCH_DIR_H_
#define KESTRABIN_TESTS_SUPPORT_SCRATCH_DIR_H_

#include <string>

// A fresh directory under the build tree for one test, removed afterwards.
class ScratchDir {
 public:
  // A fresh directory in `parent` (the current directory by default).
  explicit ScratchDir(const std::string& parent = {});
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir();

  [[nodiscard]] const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

#endif  // KESTRABIN_TESTS_SUPPORT_SCRATCH_DIR_H_
