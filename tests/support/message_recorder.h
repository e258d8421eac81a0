// Records the engine's messages for the lifetime of the object instead of
// printing them. text() reads them as the default handler would have printed
// them, one line end after each.
#pragma once

#include "engine/assert.h"
#include "support/assertion_recorder.h"

#include <string>
#include <utility>
#include <vector>

namespace TestSupport {

class MessageRecorder {
public:
    MessageRecorder() { clear(); }
    ~MessageRecorder() { clear(); }

    void clear() { s_Messages.clear(); }
    std::string text() const { return joined(false, Kestrel::MessageSeverity::DATA_ERROR); }
    std::string text(Kestrel::MessageSeverity severity) const { return joined(true, severity); }

private:
    static std::string joined(bool filtered, Kestrel::MessageSeverity severity) {
        std::string all;
        for (const auto& message : s_Messages) {
            if (!filtered || message.first == severity)
                all += message.second + "\n";
        }
        return all;
    }
    static void record(Kestrel::MessageSeverity severity, const char* text) {
        s_Messages.emplace_back(severity, text);
    }

    static inline std::vector<std::pair<Kestrel::MessageSeverity, std::string>> s_Messages;
    HandlerSwap<Kestrel::MessageHandler, Kestrel::setMessageHandler> m_Swap{record};
};

} // namespace TestSupport
