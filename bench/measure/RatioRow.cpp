#include "measure/RatioRow.h"

#include <algorithm>
#include <cstdio>

namespace bench {
namespace {

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double inUnit(double ns, const std::string& unit)
{
    if (unit == "us") return ns / 1e3;
    if (unit == "ms") return ns / 1e6;
    return ns;
}

} // namespace

double quantile(std::vector<double> values, double q)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double position = q * static_cast<double>(values.size() - 1);
    const std::size_t below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, values.size() - 1);
    return values[below] + (values[above] - values[below]) * (position - static_cast<double>(below));
}

RatioRow::RatioRow(std::string row, std::string figure, std::string unit, bool throughput)
    : row_(std::move(row)), figure_(std::move(figure)), unit_(std::move(unit)), throughput_(throughput)
{
}

void RatioRow::add(double moduleNs, double baselineNs)
{
    moduleNs_.push_back(moduleNs);
    baselineNs_.push_back(baselineNs);
    if (moduleNs > 0 && baselineNs > 0) ratios_.push_back(throughput_ ? baselineNs / moduleNs : moduleNs / baselineNs);
}

double RatioRow::medianRatio() const
{
    return quantile(ratios_, 0.5);
}

std::string RatioRow::header()
{
    return "| row | figure | ratio: median (quartiles) | module | baseline | rounds × iterations | target | verdict |\n"
           "|---|---|---|---|---|---|---|---|";
}

std::string RatioRow::line() const
{
    const std::string start = "| " + row_ + " | " + figure_ + (note_.empty() ? "" : " (" + note_ + ")") + " | ";
    if (failed() || ratios_.empty())
        return start + "FAILED: " + (failure_.empty() ? "no round measured" : failure_) + " | | | | | run failed |";
    const double median = medianRatio();
    std::string verdict = "-";
    std::string target = "-";
    if (target_) {
        const bool atMost = target_->kind == Target::Kind::AtMost;
        target = std::string(atMost ? "≤ " : "≥ ") + fixed(target_->value, 2);
        verdict = (atMost ? median <= target_->value : median >= target_->value) ? "met" : "MISSED";
    }
    const int decimals = unit_ == "ns" ? 0 : 1;
    return start + fixed(median, 2) + (throughput_ ? "× throughput" : "") + " (" + fixed(quantile(ratios_, 0.25), 2) +
           "–" + fixed(quantile(ratios_, 0.75), 2) + ") | " +
           fixed(inUnit(quantile(moduleNs_, 0.5), unit_), decimals) + " " + unit_ + " | " +
           fixed(inUnit(quantile(baselineNs_, 0.5), unit_), decimals) + " " + unit_ + " | " +
           std::to_string(ratios_.size()) + " × " + std::to_string(iterationsPerRound_) + " | " + target + " | " +
           verdict + " |";
}

} // namespace bench
