#include "read_plan.h"

ReadPlan PlanRead(bool baselineTaken, DWORD nextRecord, DWORD oldest, DWORD count)
{
    ReadPlan plan;
    plan.end = oldest + count;
    if (!baselineTaken || nextRecord > plan.end) {
        plan.first = oldest;
        plan.timeFilter = true;
    } else if (nextRecord < oldest) {
        plan.first = oldest;
    } else {
        plan.first = nextRecord;
    }
    return plan;
}
