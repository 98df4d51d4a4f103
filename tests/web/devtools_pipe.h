// A small client of Chromium's DevTools protocol over --remote-debugging-pipe: it starts
// a headless browser of its own, sends commands and waits for their replies, keeps the
// events it was not waiting for, and opens pages to drive. Messages are JSON, each ended
// by a NUL byte, on fd 3 (to the browser) and fd 4 (from it).
#pragma once

#include <sys/types.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace devtools {

// A protocol error, a reply that did not come in time, a browser that went away.
struct Error : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A JSON value, as the replies carry them; looking up what is not there gives null.
class Json {
 public:
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };

  static Json Parse(const std::string& text);  // throws Error

  Type type() const { return type_; }
  bool IsNull() const { return type_ == Type::kNull; }
  bool Bool() const;
  double Number() const;
  const std::string& String() const;
  size_t Size() const { return items_.size(); }
  const Json& operator[](size_t index) const;
  const Json& operator[](const std::string& key) const;
  bool Has(const std::string& key) const;

 private:
  friend class Reader;
  Type type_ = Type::kNull;
  bool bool_ = false;
  double number_ = 0;
  std::string string_;
  std::vector<Json> items_;
  std::vector<std::pair<std::string, Json>> members_;
};

// `text` as a JSON string literal.
std::string Quote(const std::string& text);

// A page opened in a browser context of its own (no cookies, storage or cache shared
// with another), and the session attached to it.
struct Page {
  std::string context, target, session;
};

class Browser {
 public:
  // Starts /usr/bin/chromium headless in a process group of its own, with a profile in
  // a fresh temporary folder and any `flags` added.
  explicit Browser(const std::vector<std::string>& flags = {});
  // Closes the browser, kills what is left of its process group, reaps it and removes
  // its folder.
  ~Browser();
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  // Sends `method` with `params` (a JSON object) to the browser, or to the page attached
  // as `session`, and returns its reply's result; throws Error on an error reply or when
  // none comes within `timeoutMs`.
  Json Call(const std::string& method, const std::string& params = "{}",
            const std::string& session = "", int timeoutMs = 10000);
  // Returns the params of the first event `method` of `session` that came or comes
  // within `timeoutMs` (the events kept are looked at first); throws Error otherwise.
  Json WaitForEvent(const std::string& method, const std::string& session, int timeoutMs);
  // Takes the kept events `method` of `session` (their params), oldest first.
  std::vector<Json> TakeEvents(const std::string& method, const std::string& session);

  Page OpenPage();  // at about:blank
  void ClosePage(const Page& page);

 private:
  Json Receive(double deadlineMs);  // the next message; throws Error when none comes
  void Send(const std::string& message);
  std::string LogTail() const;  // the end of the browser's own output, for messages

  pid_t pid_ = -1;
  int toBrowser_ = -1, fromBrowser_ = -1;
  std::string folder_;
  std::string received_;
  std::deque<Json> events_;
  long nextId_ = 1;
};

}  // namespace devtools
