// Remote processor usage over SNMP, as pure functions of the answers:
// - a "linux" host: the seven raw processor counters of the UCD MIB (user, nice, system, idle,
//   wait, kernel, interrupt), each share of their sum as the agent reports them (since its
//   start; no earlier reading is kept);
// - any other host: the average of the host-resources processor load column.
#pragma once

#include <string>
#include <vector>

#include "cpu_figures.h"
#include "snmp_queries.h"

constexpr const char* kProcessorLoadRoot = "1.3.6.1.2.1.25.3.3.1.2";

// ssCpuRawUser .. ssCpuRawInterrupt, in this order.
const std::vector<std::string>& UcdRawCounterOids();

// "linux" in any mix of capitals.
bool IsLinuxSystem(const std::string& system);

// 0 with the figures, or 10 (figures -1) when fewer than seven values came, one is not a
// Counter32, or they sum to 0 (an agent that has not counted yet).
unsigned int FiguresFromUcdCounters(const std::vector<std::string>& values,
                                    const std::vector<unsigned int>& syntax, CpuFigures* figures);

// 0 with the usage (the sum of the INTEGER loads over the rows), or 10 (usage -1) when the walk
// found no row to divide by.
unsigned int FiguresFromProcessorLoads(const std::vector<SnmpRow>& rows, CpuFigures* figures);
