#pragma once

#include <QString>

#include <vector>

// The times of one scenario, Kovara's and its baseline's, one per round, and their ratio: the
// baseline's median time divided by Kovara's, so that a value above 1 means Kovara was faster.
// Medians, because on a shared machine one slow moment should not move the result.
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
    // The medians behind the ratio, on one line.
    void printMedians() const;

private:
    static double median(std::vector<double> samples);

    QString name_;
    std::vector<double> kovara_;
    std::vector<double> baseline_;
};
