#include "toml_depth.h"

#include <vector>

namespace cabkit::sim {
namespace {

bool isBareKeyChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

// One pass over the text. The depth of a place is the number of tables and
// arrays that hold it: the parts of the table header above it, plus the
// parts of each dotted key and each array or inline table that encloses it.
class DepthScan {
public:
    DepthScan(std::string_view text, int32_t limit) : text_(text), limit_(limit) {}

    std::optional<int32_t> run() {
        while (pos_ < text_.size() && !fault_) step();
        if (fault_) return line_;
        return std::nullopt;
    }

private:
    struct Open {
        char kind;      // '[' or '{'
        int32_t level;  // '[': the level of its elements; '{': its own level
    };

    void step() {
        const char c = text_[pos_];
        if (c == '"' || c == '\'') {
            skipString(c);
            part();
            atLineStart_ = false;
            return;
        }
        ++pos_;
        if (isBareKeyChar(c)) {
            // A run of bare-key characters is one part.
            while (pos_ < text_.size() && isBareKeyChar(text_[pos_])) ++pos_;
            part();
            atLineStart_ = false;
            return;
        }
        switch (c) {
            case ' ':
            case '\t':
            case '\r': return;
            case '\n':
                ++line_;
                atLineStart_ = true;
                endChain();
                return;
            case '#':
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
                return;
            case '.':
                if (parts_ > 0 && !afterDot_) {
                    afterDot_ = true;
                } else {
                    endChain();
                }
                break;
            case '=':
                if (parts_ > 0) enter(valueLevel_, baseLevel() + parts_);
                endChain();
                break;
            case '[':
                endChain();
                if (open_.empty() && atLineStart_) {
                    inHeader_ = true;
                    headerArray_ = pos_ < text_.size() && text_[pos_] == '[';
                    if (headerArray_) ++pos_;
                } else {
                    openValue('[');
                }
                break;
            case '{':
                endChain();
                openValue('{');
                break;
            case ']':
                if (inHeader_) {
                    // An array of tables adds the level of its elements.
                    enter(rootLevel_, parts_ + (headerArray_ ? 1 : 0));
                    inHeader_ = false;
                    if (headerArray_ && pos_ < text_.size() && text_[pos_] == ']') ++pos_;
                } else if (!open_.empty()) {
                    open_.pop_back();
                }
                endChain();
                break;
            case '}':
                if (!open_.empty()) open_.pop_back();
                endChain();
                break;
            default: endChain(); break;
        }
        atLineStart_ = false;
    }

    bool atTripleQuote(char quote) const {
        return text_.substr(pos_, 3) == std::string_view(quote == '"' ? "\"\"\"" : "'''");
    }

    // A quoted string: basic or literal, on one line or over several.
    void skipString(char quote) {
        const bool multiLine = atTripleQuote(quote);
        pos_ += multiLine ? 3 : 1;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\\' && quote == '"') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++line_;
                pos_ += 2;
                continue;
            }
            if (c == '\n') {
                if (!multiLine) return;  // unterminated: the TOML reader says so
                ++line_;
            }
            if (c == quote && (!multiLine || atTripleQuote(quote))) {
                pos_ += multiLine ? 3 : 1;
                // A closing delimiter may be preceded by up to two more quotes of content.
                for (int32_t extra = 0; multiLine && extra < 2 && pos_ < text_.size() && text_[pos_] == quote;
                     ++extra) {
                    ++pos_;
                }
                return;
            }
            ++pos_;
        }
    }

    // A key part, or a value that looks like one (a number, a word).
    void part() {
        if (parts_ > 0 && !afterDot_) parts_ = 0;  // two words without a dot: not one key
        ++parts_;
        afterDot_ = false;
        if (parts_ > limit_) fault_ = true;
    }

    void endChain() {
        parts_ = 0;
        afterDot_ = false;
    }

    int32_t baseLevel() const { return open_.empty() ? rootLevel_ : open_.back().level; }

    void enter(int32_t& target, int32_t level) {
        target = level;
        if (level > limit_) fault_ = true;
    }

    void openValue(char kind) {
        // In an array each element is a value; elsewhere the value of the last key.
        const int32_t at = !open_.empty() && open_.back().kind == '[' ? open_.back().level : valueLevel_;
        const int32_t level = kind == '[' ? at + 1 : at;
        if (level > limit_ || static_cast<int32_t>(open_.size()) >= limit_) {
            fault_ = true;
            return;
        }
        open_.push_back(Open{kind, level});
    }

    std::string_view text_;
    int32_t limit_;
    std::size_t pos_ = 0;
    int32_t line_ = 1;
    bool fault_ = false;
    bool atLineStart_ = true;
    bool inHeader_ = false;
    bool headerArray_ = false;
    int32_t parts_ = 0;  // parts of the dotted chain being read
    bool afterDot_ = false;
    int32_t rootLevel_ = 0;   // the level of the table the last header opened
    int32_t valueLevel_ = 0;  // the level of the value after the last '='
    std::vector<Open> open_;  // never more than `limit_` entries
};

}  // namespace

std::optional<int32_t> findTooDeepNesting(std::string_view text, int32_t limit) { return DepthScan(text, limit).run(); }

}  // namespace cabkit::sim
