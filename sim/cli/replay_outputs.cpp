#include "replay_outputs.h"

#include <stdexcept>
#include <system_error>
#include <utility>

#include <fmt/format.h>

#include "utf8_path.h"

namespace cabkit::sim {
namespace {

using Verdict = SupervisedOutcome::Verdict;

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

ReplayOutputs::ReplayOutputs(const CommonOptions& options, const std::filesystem::path& scratch, const std::string& tag,
                             std::shared_ptr<const OutputFolder> traceDir, std::filesystem::path traceName)
    : traceDir_(std::move(traceDir)), traceName_(std::move(traceName)) {
    const auto take = [&](Kind kind, const std::string& given, const char* what, const std::string& suffix) {
        if (given.empty()) return;
        const std::filesystem::path final = pathFromUtf8(given);
        entries_.push_back(Entry{kind, scratch / pathFromUtf8(tag + suffix + utf8Text(final.extension())),
                                 std::make_unique<AtomicOutput>(final, what)});
    };
    if (traceDir_) {
        entries_.push_back(Entry{Kind::Trace, scratch / pathFromUtf8(tag + "trace.csv"), nullptr});
    } else {
        take(Kind::Trace, options.trace, "the trace", "trace");
    }
    take(Kind::Summary, options.summary, "the summary", "summary");
    take(Kind::Chart, options.plot, "the chart", "plot");
    if (!options.plot.empty()) plot_ = entries_.back().scratch;
    take(Kind::Chart, options.plotTime, "the chart", "plot-time");
    if (!options.plotTime.empty()) plotTime_ = entries_.back().scratch;
    take(Kind::Page, options.html, "the cab replay", "page");
}

ReplayOutputs::Entry* ReplayOutputs::find(Kind kind) {
    for (Entry& entry : entries_) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

const ReplayOutputs::Entry* ReplayOutputs::find(Kind kind) const {
    for (const Entry& entry : entries_) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

void ReplayOutputs::discardPrevious() {
    for (Entry& entry : entries_) {
        if (entry.output) entry.output->discardPrevious();
    }
    if (traceDir_) {
        const std::string why = traceDir_->discard(traceName_);
        if (!why.empty()) {
            throw std::runtime_error(
                fmt::format("cannot write the trace {}: {}", utf8Text(traceDir_->path() / traceName_), why));
        }
    }
}

CommonOptions ReplayOutputs::childOptions(const CommonOptions& options) const {
    CommonOptions child = options;
    const Entry* trace = find(Kind::Trace);
    const Entry* page = find(Kind::Page);
    child.trace = trace != nullptr ? utf8Text(trace->scratch) : std::string{};
    child.html = page != nullptr ? utf8Text(page->scratch) : std::string{};
    child.plot = plot_ ? utf8Text(*plot_) : std::string{};
    child.plotTime = plotTime_ ? utf8Text(*plotTime_) : std::string{};
    child.summary.clear();
    return child;
}

void ReplayOutputs::shape(SupervisedReplay& request) const {
    const Entry* trace = find(Kind::Trace);
    const Entry* summary = find(Kind::Summary);
    request.trace = trace != nullptr ? std::optional(trace->scratch) : std::nullopt;
    request.summary = summary != nullptr ? std::optional(summary->scratch) : std::nullopt;
}

std::vector<std::string> ReplayOutputs::settle(SupervisedOutcome& outcome) {
    const bool finished =
        (outcome.verdict == Verdict::Passed || outcome.verdict == Verdict::Failed) &&
        (outcome.ending.how == RunEnding::How::Completed || outcome.ending.how == RunEnding::How::StoppedEarly);
    const bool faulted =
        outcome.ending.how == RunEnding::How::PluginFault || outcome.ending.how == RunEnding::How::ReplayFault;
    std::vector<std::string> problems;
    for (Entry& entry : entries_) {
        const std::string scratch = utf8Text(entry.scratch);
        // A message about the scratch file is about this output: it is not whole.
        const bool spoilt = outcome.error.find(scratch) != std::string::npos;
        const std::string final = utf8Text(entry.output ? entry.output->path() : traceDir_->path() / traceName_);
        replaceAll(outcome.error, scratch, final);
        replaceAll(outcome.ending.message, scratch, final);
        bool whole = false;
        switch (entry.kind) {
            case Kind::Summary: whole = outcome.verdict != Verdict::Interrupted && !spoilt; break;
            case Kind::Trace: whole = outcome.error.empty() && (finished || faulted); break;
            case Kind::Chart:
            case Kind::Page: whole = outcome.error.empty() && finished; break;
        }
        std::error_code missing;
        if (!whole || !std::filesystem::is_regular_file(entry.scratch, missing)) {
            if (entry.output) entry.output->abandon();
            continue;
        }
        try {
            if (!entry.output) entry.output = std::make_unique<AtomicOutput>(traceDir_, traceName_, "the trace");
            entry.output->commitFile(entry.scratch);
        } catch (const std::runtime_error& e) {
            problems.emplace_back(e.what());
            if (entry.output) entry.output->abandon();
        }
        std::filesystem::remove(entry.scratch, missing);
    }
    return problems;
}

}  // namespace cabkit::sim
