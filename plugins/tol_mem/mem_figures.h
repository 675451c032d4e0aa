// The figures one memory or load-average test reports. A figure that was not measured is -1.0
// and is never tested against its limit.
#pragma once

#include <initializer_list>

constexpr double kNotMeasured = -1.0;
constexpr double kBytesPerMB = 1048576.0;

// Memory figures in MB.
struct MemFigures {
    double total_phys = kNotMeasured;
    double free_phys = kNotMeasured;
    double total_page = kNotMeasured;
    double free_page = kNotMeasured;
    double total_virt = kNotMeasured;
    double free_virt = kNotMeasured;
    double buffered = kNotMeasured;
    double cached = kNotMeasured;

    bool AnyMeasured() const
    {
        for (double figure : {total_phys, free_phys, total_page, free_page, total_virt, free_virt,
                              buffered, cached})
            if (figure != kNotMeasured)
                return true;
        return false;
    }
};

// Load averages over 1, 5 and 15 minutes.
struct LoadFigures {
    double lav1 = kNotMeasured;
    double lav5 = kNotMeasured;
    double lav15 = kNotMeasured;
};
