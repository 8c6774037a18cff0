#include "records/result.h"

#include <array>
#include <utility>

namespace records {
namespace {

constexpr std::array<std::pair<Result::Kind, std::string_view>, 4> kTexts{{
    {Result::Kind::BlackWon, "1-0"},
    {Result::Kind::WhiteWon, "0-1"},
    {Result::Kind::Draw, "1/2-1/2"},
    {Result::Kind::Unfinished, "*"},
}};

}  // namespace

std::optional<Result> Result::parse(std::string_view text) {
    for (const auto& [kind, spelled] : kTexts) {
        if (text == spelled)
            return Result(kind);
    }
    return std::nullopt;
}

std::string Result::text() const {
    for (const auto& [kind, spelled] : kTexts) {
        if (kind == kind_)
            return std::string(spelled);
    }
    return "*";
}

std::optional<rules::Side> Result::winner() const {
    switch (kind_) {
        case Kind::BlackWon:
            return rules::Side::Black;
        case Kind::WhiteWon:
            return rules::Side::White;
        case Kind::Draw:
        case Kind::Unfinished:
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<double> Result::points(rules::Side side) const {
    if (!decided())
        return std::nullopt;
    if (kind_ == Kind::Draw)
        return 0.5;
    return *winner() == side ? 1.0 : 0.0;
}

}  // namespace records
