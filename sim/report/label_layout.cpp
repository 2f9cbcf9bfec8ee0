#include "label_layout.h"

#include <algorithm>

#include <fmt/format.h>

namespace cabkit::sim {
namespace {

constexpr const char* kTimes = "\xc3\x97";  // the multiplication sign, UTF-8

// The texts of one group in order of first appearance, with their counts.
struct Tally {
    struct Entry {
        std::string text, brief;
        int32_t rank;
        int32_t count;
    };
    std::vector<Entry> texts;

    void add(const ChartLabel& label) {
        for (Entry& known : texts) {
            if (known.text == label.text) {
                ++known.count;
                return;
            }
        }
        texts.push_back(Entry{label.text, label.brief.empty() ? label.text : label.brief, label.rank, 1});
        std::stable_sort(texts.begin(), texts.end(), [](const Entry& a, const Entry& b) { return a.rank < b.rank; });
    }

    std::string joined(std::size_t most) const {
        if (texts.size() == 1) {
            const Entry& only = texts.front();
            return only.count == 1 ? only.text : fmt::format("{} {}{}", only.text, kTimes, only.count);
        }
        // Several texts: their briefs, the same brief counted once.
        std::vector<std::pair<std::string, int32_t>> briefs;
        for (const Entry& entry : texts) {
            const auto same =
                std::find_if(briefs.begin(), briefs.end(), [&](const auto& b) { return b.first == entry.brief; });
            if (same != briefs.end()) {
                same->second += entry.count;
            } else {
                briefs.emplace_back(entry.brief, entry.count);
            }
        }
        std::string out;
        int32_t hidden = 0;
        for (std::size_t i = 0; i < briefs.size(); ++i) {
            const auto& [brief, count] = briefs[i];
            if (i >= most) {
                hidden += count;
                continue;
            }
            if (!out.empty()) out += ", ";
            out += count == 1 ? brief : fmt::format("{} {}{}", brief, kTimes, count);
        }
        if (hidden > 0) out += fmt::format(" +{} more", hidden);
        return out;
    }
};

}  // namespace

std::vector<ChartLabel> mergeClose(const std::vector<ChartLabel>& labels, double gap, std::size_t most) {
    std::vector<ChartLabel> merged;
    std::vector<Tally> tallies;
    for (const ChartLabel& label : labels) {
        if (merged.empty() || label.x - merged.back().x >= gap) {
            merged.push_back(label);
            tallies.emplace_back();
        }
        merged.back().y = std::max(merged.back().y, label.y);
        tallies.back().add(label);
    }
    for (std::size_t i = 0; i < merged.size(); ++i) merged[i].text = tallies[i].joined(most);
    return merged;
}

std::vector<ChartLabel> placeInRows(const std::vector<ChartLabel>& labels, double widthPerChar, int32_t rows,
                                    double end) {
    std::vector<ChartLabel> placed;
    std::vector<double> rowEnd(static_cast<std::size_t>(std::max(rows, 1)), -1e300);
    std::vector<int32_t> joined;  // per placed label: labels that joined it
    std::vector<std::string> base;
    const auto width = [widthPerChar](const std::string& text) {
        return (static_cast<double>(text.size()) + 1.0) * widthPerChar;
    };
    for (const ChartLabel& label : labels) {
        const double start = std::min(label.x, end - width(label.text));
        const auto free = std::find_if(rowEnd.begin(), rowEnd.end(), [&](double used) { return used <= start; });
        if (free != rowEnd.end() || placed.empty()) {
            const auto row = free != rowEnd.end() ? free - rowEnd.begin() : 0;
            ChartLabel put = label;
            put.x = start;
            put.row = static_cast<int32_t>(row);
            rowEnd[static_cast<std::size_t>(row)] = start + width(label.text);
            placed.push_back(put);
            joined.push_back(0);
            base.push_back(label.text);
            continue;
        }
        // No row is free: the label joins the last one drawn.
        ++joined.back();
        ChartLabel& last = placed.back();
        last.text = fmt::format("{} +{}", base.back(), joined.back());
        last.x = std::min(last.x, end - width(last.text));
        auto& used = rowEnd[static_cast<std::size_t>(last.row)];
        used = std::max(used, last.x + width(last.text));
    }
    return placed;
}

std::string shortened(const std::string& text, std::size_t most) {
    if (text.size() <= most || most < 3) return text;
    std::size_t cut = most - 3;
    // Never split a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0U) == 0x80U) --cut;
    return text.substr(0, cut) + "...";
}

}  // namespace cabkit::sim
