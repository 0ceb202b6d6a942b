#include "Comparison.h"

#include <algorithm>
#include <cstdio>

double Comparison::median(std::vector<double> samples)
{
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 != 0 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

std::vector<double> Comparison::perRoundRatios() const
{
    std::vector<double> perRound;
    for (std::size_t round = 0; round < std::min(kovara_.size(), baseline_.size()); ++round) {
        if (kovara_[round] > 0) {
            perRound.push_back(baseline_[round] / kovara_[round]);
        }
    }
    return perRound;
}

double Comparison::ratio() const
{
    return median(perRoundRatios());
}

std::optional<Comparison::Spread> Comparison::spread() const
{
    const std::vector<double> perRound = perRoundRatios();
    if (perRound.empty()) {
        return std::nullopt;
    }
    const auto [lowest, highest] = std::minmax_element(perRound.cbegin(), perRound.cend());
    return Spread{*lowest, *highest};
}

void Comparison::printMedians() const
{
    std::printf("%s: Kovara %.4f s, baseline %.4f s (medians of %zu and %zu rounds)\n", name_.toUtf8().constData(),
                median(kovara_), median(baseline_), kovara_.size(), baseline_.size());
}
