#pragma once

// The process-wide half of crash recovery: the signal and terminate handlers,
// installed while at least one CrashRecovery wants them.

namespace dbui
{

class CrashRecovery;

/// Makes `recovery` save at the crashes its triggers name.
void addCrashRecovery(CrashRecovery* recovery);
void removeCrashRecovery(CrashRecovery* recovery);
void setCrashSaveTimeLimitSeconds(unsigned int seconds);

} // namespace dbui
