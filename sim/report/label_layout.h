// Labels on a chart that stay readable however many things happen in one
// place: marks closer together than a label is tall share one label ("stop
// ×3, doors open"), and labels written side by side take the first row where
// they do not touch the one before, or join it when no row is free.
#ifndef CABKIT_SIM_LABEL_LAYOUT_H
#define CABKIT_SIM_LABEL_LAYOUT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cabkit::sim {

struct ChartLabel {
    double x = 0.0;
    double y = 0.0;
    std::string text;
    std::string brief;    // what it says among others ("key 6"); "" for the text
    uint32_t colour = 0;  // 0xRRGGBB
    int32_t row = 0;      // set by placeInRows
    int32_t rank = 0;     // in a merged label, lower ranks come first
};

// Merges labels (sorted by x) whose x lies within `gap` of the first of their
// group into that first one: a group of one text keeps it ("key 6 (mode up)
// ×2"), a group of several lists their briefs in order, repeated ones
// counted ("key 15, key 6 ×2"), lower ranks first, at most `most` of them
// and then "+N more".
// The group keeps the first label's place and colour, and the highest y.
std::vector<ChartLabel> mergeClose(const std::vector<ChartLabel>& labels, double gap, std::size_t most);

// Gives each label (sorted by x, written left-aligned, `widthPerChar` x
// units a character) the first of `rows` rows in which it starts clear of
// the label before it; a label that fits nowhere joins the nearest one
// before it ("name +1"). A label that would run past `end` starts early
// enough to end there. Returns the labels that are drawn.
std::vector<ChartLabel> placeInRows(const std::vector<ChartLabel>& labels, double widthPerChar, int32_t rows,
                                    double end);

// The text cut to at most `most` characters, "..." marking the cut.
std::string shortened(const std::string& text, std::size_t most);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_LABEL_LAYOUT_H
