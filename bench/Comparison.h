#pragma once

#include <QString>

#include <optional>
#include <vector>

// The times of one scenario, Kovara's and its baseline's, one per round, and their ratio: the
// median over the rounds of the baseline's time divided by Kovara's in the same round, so that a
// value above 1 means Kovara was faster. Within a round the two sides run back to back, so a
// machine whose speed drifts during the run (a virtual disk slowing as it fills, another
// program starting) moves both times of a round alike; the median keeps one slow moment from
// moving the result.
class Comparison
{
public:
    enum class Side {
        kovara,
        baseline
    };

    explicit Comparison(QString name) : name_(std::move(name)) {}

    const QString& name() const { return name_; }
    void add(Side side, double seconds) { (side == Side::kovara ? kovara_ : baseline_).push_back(seconds); }

    // 0 until both sides have a time.
    double ratio() const;
    // The lowest and highest ratio of a single round; none until both sides have a time.
    struct Spread
    {
        double lowest;
        double highest;
    };
    std::optional<Spread> spread() const;
    // Each side's median time, on one line.
    void printMedians() const;

private:
    static double median(std::vector<double> samples);
    std::vector<double> perRoundRatios() const;

    QString name_;
    std::vector<double> kovara_;
    std::vector<double> baseline_;
};
