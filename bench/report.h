#ifndef KESTRABIN_BENCH_REPORT_H_
#define KESTRABIN_BENCH_REPORT_H_

#include <cstddef>
#include <string>
#include <vector>

// The benchmark prints Markdown on stdout: headings, paragraphs and tables.

// `value` with `decimals` digits after the point.
std::string fixed(double value, int decimals);

void print_heading(const std::string& title);
void print_paragraph(const std::string& text);

// A table's header row and its rule; the first `left` columns are aligned
// left, the rest (numbers) right.
void print_table_head(const std::vector<std::string>& names, std::size_t left = 1);
void print_table_row(const std::vector<std::string>& cells);
// The blank line that ends a table.
void end_table();

// The rows of the closing targets table, added by the sections as they measure.
class Targets {
 public:
  void add(const std::string& target, const std::string& measured, bool met);
  void print() const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

#endif  // KESTRABIN_BENCH_REPORT_H_
