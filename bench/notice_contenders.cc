#include "notice_contenders.h"

#include <sys/stat.h>

#include "swf_file.h"

namespace {

constexpr const char* kNoticeText = "swf file version updated to 9";

// GTK without a session: no accessibility bus, no D-Bus autolaunch, no dconf;
// without these zenity waits on D-Bus.
std::vector<std::string> gtk_environment(const Options& o, const XServer& server) {
  const std::string dir = o.scratch + "/";
  mkdir((dir + "home").c_str(), 0700);
  mkdir((dir + "run").c_str(), 0700);
  std::vector<std::string> env = server.environment();
  env.insert(env.end(),
             {"HOME=" + dir + "home", "XDG_RUNTIME_DIR=" + dir + "run", "NO_AT_BRIDGE=1",
              "GDK_BACKEND=x11", "DBUS_SESSION_BUS_ADDRESS=disabled:", "GSETTINGS_BACKEND=memory"});
  return env;
}

NoticeContender kestrabin(const std::string& name, const std::string& program,
                          const std::string& file, std::vector<std::string> env) {
  create_swf(file, 4);
  return {name, {{program, file}, std::move(env)}, Dismissal::CloseRequest, file, {}, -1, true};
}

}  // namespace

NoticeContenders notice_contenders(const Options& o, const XServer& server) {
  const std::vector<std::string> gtk_env = gtk_environment(o, server);
  return {
      // The program's PATH is an empty directory, so what is timed is its own dialog.
      kestrabin("kestrabin, its own X dialog", o.kestrabin, o.scratch + "/n.swf",
                server.program_environment()),
      // Dismissed by closing zenity's window, which ends zenity as a closed
      // notice: a zenity killed by a signal would count as one that never
      // showed, and kestrabin would go on to its own dialog.
      kestrabin("kestrabin, through zenity", o.kestrabin, o.scratch + "/nz.swf", gtk_env),
      {"zenity --info",
       {{o.zenity, "--info", "--title", kNoticeCaption, "--text", kNoticeText}, gtk_env},
       Dismissal::Terminate,
       "",
       {},
       -1,
       true},
      {"xmessage",
       {{o.xmessage, "-title", kNoticeCaption, kNoticeText}, server.environment()},
       Dismissal::Terminate,
       "",
       {},
       -1,
       true},
  };
}
