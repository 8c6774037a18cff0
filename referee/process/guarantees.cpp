#include "referee/process/guarantees.h"

#include <utility>

namespace referee {

void Guarantees::lack(std::string what, std::string why) {
    missing_.push_back({std::move(what), std::move(why)});
}

std::string Guarantees::missing_text() const {
    std::string text;
    for (const auto& missing : missing_) {
        if (!text.empty())
            text += "; ";
        text += missing.what + (missing.why.empty() ? "" : " (" + missing.why + ")");
    }
    return text;
}

}  // namespace referee
