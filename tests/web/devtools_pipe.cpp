#include "tests/web/devtools_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace devtools {

// ---- JSON ----

class Reader {
 public:
  explicit Reader(const std::string& text) : s_(text) {}

  Json Document() {
    Json value = Value(0);
    Space();
    if (at_ != s_.size()) Bad("text after the value");
    return value;
  }

 private:
  [[noreturn]] void Bad(const char* what) const {
    throw Error("bad JSON at " + std::to_string(at_) + ": " + what + ": " + s_.substr(0, 200));
  }
  void Space() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\r' || s_[at_] == '\n'))
      ++at_;
  }
  bool Eat(char c) {
    Space();
    if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Bad("unexpected character");
  }
  bool Word(const char* word) {
    const size_t n = std::strlen(word);
    if (s_.compare(at_, n, word) != 0) return false;
    at_ += n;
    return true;
  }

  Json Value(int depth) {
    if (depth > 200) Bad("nested too deep");
    Space();
    if (at_ >= s_.size()) Bad("value missing");
    Json v;
    const char c = s_[at_];
    if (c == '{') {
      ++at_;
      v.type_ = Json::Type::kObject;
      if (Eat('}')) return v;
      do {
        Space();
        std::string key = String();
        Expect(':');
        v.members_.emplace_back(std::move(key), Value(depth + 1));
      } while (Eat(','));
      Expect('}');
    } else if (c == '[') {
      ++at_;
      v.type_ = Json::Type::kArray;
      if (Eat(']')) return v;
      do v.items_.push_back(Value(depth + 1));
      while (Eat(','));
      Expect(']');
    } else if (c == '"') {
      v.type_ = Json::Type::kString;
      v.string_ = String();
    } else if (Word("true") || Word("false")) {
      v.type_ = Json::Type::kBool;
      v.bool_ = c == 't';
    } else if (Word("null")) {
    } else {
      const char* begin = s_.c_str() + at_;
      char* end = nullptr;
      v.number_ = std::strtod(begin, &end);
      if (end == begin) Bad("not a value");
      at_ += static_cast<size_t>(end - begin);
      v.type_ = Json::Type::kNumber;
    }
    return v;
  }

  unsigned Hex4() {
    if (at_ + 4 > s_.size()) Bad("short \\u escape");
    static constexpr char kDigits[] = "0123456789abcdef";
    unsigned code = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = static_cast<char>(std::tolower(static_cast<unsigned char>(s_[at_++])));
      const char* digit = h == '\0' ? nullptr : std::strchr(kDigits, h);
      if (digit == nullptr) Bad("bad \\u escape");
      code = code * 16 + static_cast<unsigned>(digit - kDigits);
    }
    return code;
  }

  static void Utf8(unsigned code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string String() {
    if (at_ >= s_.size() || s_[at_] != '"') Bad("string expected");
    ++at_;
    std::string out;
    for (;;) {
      // Copy the plain run at once: screenshots are long strings without escapes.
      const size_t end = s_.find_first_of("\"\\", at_);
      if (end == std::string::npos) Bad("unterminated string");
      out.append(s_, at_, end - at_);
      at_ = end + 1;
      if (s_[end] == '"') return out;
      if (at_ >= s_.size()) Bad("unterminated escape");
      const char e = s_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          unsigned code = Hex4();
          if (code >= 0xD800 && code < 0xDC00 && Word("\\u")) {
            const unsigned low = Hex4();
            if (low < 0xDC00 || low >= 0xE000) Bad("unpaired surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          Utf8(code, out);
          break;
        }
        default:
          Bad("unknown escape");
      }
    }
  }

  const std::string& s_;
  size_t at_ = 0;
};

Json Json::Parse(const std::string& text) { return Reader(text).Document(); }

bool Json::Bool() const {
  if (type_ != Type::kBool) throw Error("JSON value is not a boolean");
  return bool_;
}

double Json::Number() const {
  if (type_ != Type::kNumber) throw Error("JSON value is not a number");
  return number_;
}

const std::string& Json::String() const {
  if (type_ != Type::kString) throw Error("JSON value is not a string");
  return string_;
}

const Json& Json::operator[](size_t index) const {
  static const Json kNull;
  return index < items_.size() ? items_[index] : kNull;
}

const Json& Json::operator[](const std::string& key) const {
  static const Json kNull;
  for (const auto& [name, value] : members_)
    if (name == key) return value;
  return kNull;
}

bool Json::Has(const std::string& key) const {
  for (const auto& member : members_)
    if (member.first == key) return true;
  return false;
}

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// ---- the browser ----

namespace {

double NowMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// `fd` moved to `target` and left open across exec, whatever fd it was.
void MoveTo(int fd, int target) {
  if (fd == target) {
    fcntl(fd, F_SETFD, 0);
  } else {
    dup2(fd, target);
  }
}

// The session an event came from; "" from the browser itself.
std::string SessionOf(const Json& event) {
  return event.Has("sessionId") ? event["sessionId"].String() : "";
}

}  // namespace

Browser::Browser(const std::vector<std::string>& flags) {
  // A browser gone away makes writes fail with EPIPE, not kill this program.
  signal(SIGPIPE, SIG_IGN);
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/zirirar-browser-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw Error("no temporary folder for the browser");
  folder_ = pattern;

  std::vector<std::string> args = {"/usr/bin/chromium",
                                   "--headless=new",
                                   "--no-sandbox",
                                   "--remote-debugging-pipe",
                                   "--user-data-dir=" + folder_ + "/profile",
                                   "--no-first-run",
                                   "--no-default-browser-check"};
  args.insert(args.end(), flags.begin(), flags.end());
  args.push_back("about:blank");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string log = folder_ + "/browser.log";

  // The browser's processes that outlive their parents come to this program.
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  int in[2], out[2];  // in: to the browser; out: from it
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw Error("no pipes");
  pid_ = fork();
  if (pid_ < 0) throw Error("could not fork");
  if (pid_ == 0) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // this program gone: the browser goes too
    // Out of the way of fds 3 and 4 first, then onto them.
    const int readEnd = fcntl(in[0], F_DUPFD_CLOEXEC, 10);
    const int writeEnd = fcntl(out[1], F_DUPFD_CLOEXEC, 10);
    MoveTo(readEnd, 3);
    MoveTo(writeEnd, 4);
    const int null = open("/dev/null", O_RDONLY);
    const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(null, 0);
    dup2(logFd, 1);
    dup2(logFd, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  setpgid(pid_, pid_);
  close(in[0]);
  close(out[1]);
  toBrowser_ = in[1];
  fromBrowser_ = out[0];
  try {
    Call("Browser.getVersion", "{}", "", 30000);
  } catch (const Error& e) {
    throw Error(std::string("the browser did not start: ") + e.what() + LogTail());
  }
}

Browser::~Browser() {
  if (pid_ > 0) {
    try {
      Call("Browser.close", "{}", "", 2000);
    } catch (const Error&) {
      // Killed below all the same.
    }
    // Its own end first, for a while.
    for (const double end = NowMs() + 3000; NowMs() < end;) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Whatever of its group is left; its processes orphaned on the way are this
    // program's to reap (a subreaper), not left as zombies to the system's init.
    kill(-pid_, SIGKILL);
    while (waitpid(-pid_, nullptr, 0) > 0 || errno == EINTR) {
    }
  }
  if (toBrowser_ >= 0) close(toBrowser_);
  if (fromBrowser_ >= 0) close(fromBrowser_);
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::string Browser::LogTail() const {
  std::ifstream file(folder_ + "/browser.log");
  std::stringstream all;
  all << file.rdbuf();
  const std::string text = all.str();
  if (text.empty()) return "";
  return "\nthe browser's last output:\n" +
         text.substr(text.size() > 1500 ? text.size() - 1500 : 0);
}

void Browser::Send(const std::string& message) {
  const std::string bytes = message + '\0';
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t n = write(toBrowser_, bytes.data() + sent, bytes.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error("the browser's pipe is closed" + LogTail());
    sent += static_cast<size_t>(n);
  }
}

Json Browser::Receive(double deadlineMs) {
  for (;;) {
    const size_t end = received_.find('\0');
    if (end != std::string::npos) {
      Json message = Json::Parse(received_.substr(0, end));
      received_.erase(0, end + 1);
      return message;
    }
    const double left = deadlineMs - NowMs();
    if (left <= 0) throw Error("timed out");
    pollfd p = {fromBrowser_, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;  // the deadline is checked above
    char chunk[1 << 16];
    const ssize_t n = read(fromBrowser_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error("the browser closed its pipe" + LogTail());
    received_.append(chunk, static_cast<size_t>(n));
  }
}

Json Browser::Call(const std::string& method, const std::string& params, const std::string& session,
                   int timeoutMs) {
  const long id = nextId_++;
  std::string message =
      "{\"id\":" + std::to_string(id) + ",\"method\":" + Quote(method) + ",\"params\":" + params;
  if (!session.empty()) message += ",\"sessionId\":" + Quote(session);
  Send(message + "}");
  const double deadline = NowMs() + timeoutMs;
  for (;;) {
    Json reply;
    try {
      reply = Receive(deadline);
    } catch (const Error& e) {
      throw Error(method + ": " + e.what() + " (after " + std::to_string(timeoutMs) + " ms)");
    }
    if (!reply.Has("id")) {
      // An event: kept for WaitForEvent, the oldest dropped when nobody asks for them.
      events_.push_back(std::move(reply));
      if (events_.size() > 2000) events_.pop_front();
      continue;
    }
    if (reply["id"].Number() != id) continue;  // the late reply of a call that timed out
    if (reply.Has("error"))
      throw Error(method + ": " + reply["error"]["message"].String() +
                  (reply["error"].Has("data") ? " (" + reply["error"]["data"].String() + ")" : ""));
    return reply["result"];
  }
}

Json Browser::WaitForEvent(const std::string& method, const std::string& session, int timeoutMs) {
  const double deadline = NowMs() + timeoutMs;
  auto matches = [&](const Json& e) {
    return e["method"].String() == method && (session.empty() || SessionOf(e) == session);
  };
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (matches(*it)) {
      Json params = (*it)["params"];
      events_.erase(it);
      return params;
    }
  }
  for (;;) {
    Json message;
    try {
      message = Receive(deadline);
    } catch (const Error& e) {
      throw Error("no event " + method + ": " + e.what() + " (after " + std::to_string(timeoutMs) +
                  " ms)");
    }
    if (message.Has("id")) continue;  // no call is waiting
    if (matches(message)) return message["params"];
    events_.push_back(std::move(message));
    if (events_.size() > 2000) events_.pop_front();
  }
}

std::vector<Json> Browser::TakeEvents(const std::string& method, const std::string& session) {
  std::vector<Json> taken;
  for (auto it = events_.begin(); it != events_.end();) {
    if ((*it)["method"].String() == method && SessionOf(*it) == session) {
      taken.push_back((*it)["params"]);
      it = events_.erase(it);
    } else {
      ++it;
    }
  }
  return taken;
}

Page Browser::OpenPage() {
  Page page;
  page.context = Call("Target.createBrowserContext")["browserContextId"].String();
  page.target =
      Call("Target.createTarget",
           "{\"url\":\"about:blank\",\"browserContextId\":" + Quote(page.context) + "}")["targetId"]
          .String();
  page.session = Call("Target.attachToTarget",
                      "{\"targetId\":" + Quote(page.target) + ",\"flatten\":true}")["sessionId"]
                     .String();
  return page;
}

void Browser::ClosePage(const Page& page) {
  Call("Target.closeTarget", "{\"targetId\":" + Quote(page.target) + "}");
  Call("Target.disposeBrowserContext", "{\"browserContextId\":" + Quote(page.context) + "}");
  // What it sent is of no more use.
  for (auto it = events_.begin(); it != events_.end();)
    it = SessionOf(*it) == page.session ? events_.erase(it) : it + 1;
}

}  // namespace devtools
