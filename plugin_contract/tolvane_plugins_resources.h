// Resource identifiers of Tolvane.PlugIns.
#pragma once

#define IDR_TOLVANE_PLUGIN 101
