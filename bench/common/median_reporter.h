// Console output as usual, keeping each benchmark's median CPU time so that a closing table can
// print our figures beside their anchors from the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace bench {

class MedianReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            Times& t = times_[run.run_name.function_name];
            // CPU time: on a shared machine it leaves out the time other processes ran.
            const double ms = run.GetAdjustedCPUTime();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                t.median = ms;
            } else if (run.run_type == Run::RT_Iteration) {
                t.runs.push_back(ms);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

protected:
    // The benchmark's median in its time unit; the middle run without repetitions; 0 when it
    // did not run.
    double median(const std::string& name) const {
        const auto it = times_.find(name);
        if (it == times_.end()) {
            return 0;
        }
        if (it->second.median > 0) {
            return it->second.median;
        }
        std::vector<double> runs = it->second.runs;
        if (runs.empty()) {
            return 0;
        }
        std::sort(runs.begin(), runs.end());
        return runs[runs.size() / 2];
    }

private:
    struct Times {
        double median = 0;
        std::vector<double> runs;
    };
    std::map<std::string, Times> times_;
};

}  // namespace bench
