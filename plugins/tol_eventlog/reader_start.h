// StartEventLogReader: starts the reading thread of one test's copy in a pass's group.
//
// A test whose reading thread cannot be started is still reported: a log line (level 1) and
// the test's error result, status 2 with the system's text for the error. Its next record
// number stays where it was, so the next pass reads what this one could not.
#pragma once

#include "event_log_watch.h"
#include "thread_group.h"

// False when no thread could be started (the failure was reported). The copy stays the
// caller's either way and must outlive the thread: the pass frees it after the join.
bool StartEventLogReader(EventLogTest* copy, CThreadGroup* group);
