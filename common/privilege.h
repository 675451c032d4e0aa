// Switching one privilege of the process token.
#pragma once

// True only when the adjustment succeeded and every privilege was assigned.
bool EnablePrivilege(const wchar_t* name, bool enable);
