#pragma once
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// What the port dialog needs of the main window: whether a link is open, telling it that one
// opened or closed, and the time a reply is awaited.
class PortHost {
 public:
  virtual bool PortOpen() const = 0;
  // A link opened, named as the title shows it after the program ("port COM2 - 115200"), or none
  // is open (nullopt).
  virtual void SetLinkOpen(const std::optional<QString>& link) = 0;
  virtual uint32_t ReplyTimeoutMs() const = 0;
  virtual void SetReplyTimeoutMs(uint32_t ms) = 0;
  // Runs work on the thread the window's link lives on (opening or closing it), and returns once
  // it ran. What work reports it captures by value: it may outlive a window that is closing.
  virtual void WithLink(const std::function<void()>& work) = 0;

 protected:
  ~PortHost() = default;
};
