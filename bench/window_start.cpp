#include "bench/window_start.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "bench/measure.h"

extern char** environ;

namespace bench {

namespace {

constexpr auto kLaunchLimit = std::chrono::seconds(60);
// Time for what follows the first paint (the window manager's moves,
// late layout) before the memory is read.
constexpr int kSettleMs = 500;

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

class Display {
 public:
  Display() : connection_(xcb_connect(nullptr, nullptr)) {
    if (xcb_connection_has_error(connection_)) {
      const std::string why = std::strerror(errno);
      xcb_disconnect(connection_);
      const char* name = std::getenv("DISPLAY");
      Fail(std::string("cannot open the X display ") + (name ? name : "(DISPLAY is not set)") + ": " + why);
    }
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    // Maps of top-level windows (or of their window manager's frames), and
    // ping answers, which go to the root window.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    net_wm_pid_ = Atom("_NET_WM_PID");
    wm_protocols_ = Atom("WM_PROTOCOLS");
    net_wm_ping_ = Atom("_NET_WM_PING");
  }
  ~Display() { xcb_disconnect(connection_); }
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  // The window of process `pid` that `mapped` is or frames, else 0.
  xcb_window_t WindowOf(xcb_window_t mapped, pid_t pid) {
    if (PidOf(mapped) == pid) return mapped;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, mapped), nullptr),
                                       &std::free);
    if (!tree) return 0;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
      if (PidOf(children[i]) == pid) return children[i];
    }
    return 0;
  }

  void Ping(xcb_window_t window) {
    xcb_client_message_event_t ping{};
    ping.response_type = XCB_CLIENT_MESSAGE;
    ping.format = 32;
    ping.window = window;
    ping.type = wm_protocols_;
    ping.data.data32[0] = net_wm_ping_;
    ping.data.data32[1] = XCB_CURRENT_TIME;
    ping.data.data32[2] = window;
    xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ping));
    xcb_flush(connection_);
  }

  bool IsPingAnswer(const xcb_client_message_event_t& message, xcb_window_t window) const {
    return message.window == root_ && message.type == wm_protocols_ && message.data.data32[0] == net_wm_ping_ &&
           message.data.data32[2] == window;
  }

  // The next event, or null when none comes within `timeout_ms`.
  Reply<xcb_generic_event_t> Next(int timeout_ms) {
    xcb_flush(connection_);
    xcb_generic_event_t* event = xcb_poll_for_event(connection_);
    if (event == nullptr) {
      pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
      if (poll(&fd, 1, timeout_ms) > 0) event = xcb_poll_for_event(connection_);
    }
    if (xcb_connection_has_error(connection_)) Fail("the X display went away");
    return {event, &std::free};
  }

 private:
  xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, std::strlen(name), name), nullptr),
        &std::free);
    if (!reply) Fail(std::string("no X atom ") + name);
    return reply->atom;
  }

  pid_t PidOf(xcb_window_t window) {
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection_,
                               xcb_get_property(connection_, 0, window, net_wm_pid_, XCB_ATOM_CARDINAL, 0, 1), nullptr),
        &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4) return 0;
    return static_cast<pid_t>(*static_cast<const uint32_t*>(xcb_get_property_value(reply.get())));
  }

  xcb_connection_t* connection_;
  xcb_window_t root_;
  xcb_atom_t net_wm_pid_, wm_protocols_, net_wm_ping_;
};

// The current environment with `changes` (NAME=value) put in.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool changed = false;
    for (const auto& change : changes) changed = changed || entry.rfind(change.substr(0, change.find('=') + 1), 0) == 0;
    if (!changed) environment.push_back(entry);
  }
  environment.insert(environment.end(), changes.begin(), changes.end());
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The child process, ended by its close signal when the measuring ends,
// however it ends.
class Child {
 public:
  Child(std::vector<std::string> argv, std::vector<std::string> environment) {
    auto args = Pointers(argv);
    auto env = Pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) Fail("cannot start " + argv[0] + ": " + std::strerror(failed));
  }
  ~Child() {
    kill(pid_, SIGTERM);
    for (int i = 0; i < 1000 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) usleep(10000);
    if (waitpid(pid_, nullptr, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running() const { return kill(pid_, 0) == 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "torvane-bench.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a temporary folder");
    path_ = pattern;
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

double Since(Clock::time_point start) { return Seconds(Clock::now() - start); }

}  // namespace

WindowStart TimeWindowStart(const std::string& program, const std::vector<std::string>& arguments) {
  Display display;
  TempFolder home;
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const Clock::time_point start = Clock::now();
  Child child(std::move(argv), EnvironmentWith({"HOME=" + home.Path(), "XDG_CONFIG_HOME=" + home.Path(),
                                                 "CUPS_SERVER=" + home.Path() + "/no-cupsd", "QT_QPA_PLATFORM=xcb"}));
  WindowStart measured{};
  xcb_window_t window = 0;
  while (measured.answering_s == 0) {
    if (Clock::now() - start > kLaunchLimit) Fail("the window was not shown within a minute");
    if (!child.Running()) Fail("the window program ended before its window was shown");
    const auto event = display.Next(100);
    if (!event) continue;
    switch (event->response_type & 0x7f) {
      case XCB_MAP_NOTIFY:
        if (window == 0 && (window = display.WindowOf(reinterpret_cast<xcb_map_notify_event_t*>(event.get())->window,
                                                      child.Pid())) != 0) {
          measured.mapped_s = Since(start);
          display.Ping(window);
        }
        break;
      case XCB_CLIENT_MESSAGE:
        if (window != 0 && display.IsPingAnswer(*reinterpret_cast<xcb_client_message_event_t*>(event.get()), window)) {
          measured.answering_s = Since(start);
        }
        break;
    }
  }
  usleep(kSettleMs * 1000);
  measured.rss_kib = StatusKib("VmRSS", child.Pid());
  return measured;
}

}  // namespace bench
