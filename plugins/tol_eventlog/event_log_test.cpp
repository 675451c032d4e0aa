#include "event_log_test.h"

#include <ctime>

long long CurrentTime1970()
{
    return static_cast<long long>(_time64(nullptr));
}
