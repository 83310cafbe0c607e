#pragma once

#include <QString>
#include <functional>

class SqliteDatabase;

// Small helpers shared by the benchmarks.
class BenchUtil {
public:
    // Median wall time of `runs` calls, in milliseconds.
    static double medianMs(int runs, const std::function<void()>& work);
    // Peak resident memory of this process so far (VmHWM), in MiB.
    static double peakRssMiB();
    // Current resident memory (VmRSS), in MiB.
    static double rssMiB();
    static void report(const QString& name, double value, const QString& unit);
    // Writes `count` usage events straight into the store (copies and pastes, slots 0-9).
    static void insertEvents(SqliteDatabase& db, int count);
};
