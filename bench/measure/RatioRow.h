#pragma once

// One row of the bench table: the module's and the baseline's time per operation, measured in interleaved
// rounds of one run, summarised as the median and quartiles of the per-round ratios with the absolute
// medians beside them. A row with a target says whether the median ratio meets it.
//
// Rows print as Markdown table lines ("| ... |"), which scripts/bench gathers into the table; other output
// lines are notes.

#include <optional>
#include <string>
#include <vector>

namespace bench {

// The value at fraction q (0 to 1) of the sorted values, interpolated; 0 when empty.
double quantile(std::vector<double> values, double q);

struct Target {
    enum class Kind { AtMost, AtLeast } kind = Kind::AtMost;
    double value = 0;
};

inline Target atMost(double value) { return {Target::Kind::AtMost, value}; }
inline Target atLeast(double value) { return {Target::Kind::AtLeast, value}; }

class RatioRow {
public:
    // figure: what is measured; unit: "ns", "us" or "ms" for the absolute columns. A throughput row shows
    // baseline time / module time (higher is better); every other row module time / baseline time.
    RatioRow(std::string row, std::string figure, std::string unit, bool throughput = false);

    void add(double moduleNs, double baselineNs);
    void setIterations(int perRound) { iterationsPerRound_ = perRound; }
    void setTarget(Target target) { target_ = target; }
    void setNote(std::string note) { note_ = std::move(note); }
    // A failed measurement: the row prints the failure instead of figures.
    void fail(std::string why) { failure_ = std::move(why); }
    bool failed() const { return !failure_.empty(); }

    double medianRatio() const;
    // Quantiles of the absolute figures, in nanoseconds.
    double moduleQuantile(double q) const { return quantile(moduleNs_, q); }
    double baselineQuantile(double q) const { return quantile(baselineNs_, q); }
    // "| row | figure | median (q1–q3) | module | baseline | rounds × iterations | target | verdict |"
    std::string line() const;

    static std::string header();

private:
    std::string row_, figure_, unit_, note_, failure_;
    bool throughput_;
    int iterationsPerRound_ = 1;
    std::optional<Target> target_;
    std::vector<double> moduleNs_, baselineNs_, ratios_;
};

} // namespace bench
