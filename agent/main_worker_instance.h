// The agent program's one work engine, constructed before the program's main entry runs.
// Only the agent program links it (target tolvane_engine_instance); tests make their own.
#pragma once

#include "main_worker.h"

extern CMainWorker g_MainWorker;
