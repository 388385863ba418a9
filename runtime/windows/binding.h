#pragma once
// The variable a control shows and edits. Variables belong to the procedure
// thread: DISPLAY reads them into what the control shows, UPDATE writes what it
// shows back; the front-end never touches them.

#include <functional>
#include <string>

namespace apprt {

struct Binding {
  std::function<std::string()> read;
  std::function<void(const std::string&)> write;
  explicit operator bool() const { return static_cast<bool>(read); }
};

inline Binding bindString(std::string& variable) {
  return {[&variable] { return variable; }, [&variable](const std::string& v) { variable = v; }};
}

}  // namespace apprt
