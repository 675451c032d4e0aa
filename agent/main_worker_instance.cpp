#include "main_worker_instance.h"

// The service module, whose construction initialises COM, must be constructed before this
// object: give the module a smaller init_priority than this one.
CMainWorker g_MainWorker __attribute__((init_priority(20000)));
