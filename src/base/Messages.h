#pragma once
// Every message of the program goes through a sink: the windows show a message box, tests and
// nax-report capture or print.
#include <string>
#include <string_view>
#include <vector>

namespace nax {

inline constexpr std::string_view kAppTitle = "Online NAX Reporting";

enum class MessageIcon { None, Information, Warning, Critical };

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const Message& message) = 0;
    void show(std::string_view text, MessageIcon icon = MessageIcon::None,
              std::string_view caption = kAppTitle) {
        show(Message{std::string(text), std::string(caption), icon});
    }
};

// Keeps the messages for later reading.
class CapturedMessages : public MessageSink {
public:
    using MessageSink::show;
    void show(const Message& message) override { messages.push_back(message); }
    std::vector<Message> messages;
};

} // namespace nax
