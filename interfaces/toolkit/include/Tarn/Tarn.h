#pragma once

#include <Tarn/ColourManager.h>
#include <Tarn/EnvData.h>
#include <Tarn/ErrorLog.h>

namespace Tarn
{

/// The application core: one instance, gTarn, lives for the whole program.
/// The error reporter comes first so that it is built before, and destroyed
/// after, everything that might report to it.
class AppCore
{
public:
    ErrorLog m_errorReporter;
    EnvData m_envData;
    ColourManager m_colourManager;

    ErrorLog* getErrorReporter() { return &m_errorReporter; }
    EnvData& getEnvData() { return m_envData; }
    ColourManager& getColourManager() { return m_colourManager; }
};

} // namespace Tarn

extern Tarn::AppCore gTarn;
