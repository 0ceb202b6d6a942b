#pragma once

#include "system/SystemProcessResult.h"
#include "system/SystemTool.h"

#include <QStringList>

// Reads a failed eject or detach: whether the volume was busy and which applications held it.
// Pure functions over a tool's result.
class VolumeEjectDiagnostics
{
public:
    // The tool's message says the volume is in use ("dissent", "busy" or the Portuguese
    // "ocupado", in any letter case), whatever the status.
    static bool hasBusyWording(const SystemProcessResult& result);

    // A failed run that means "in use": busy wording, or hdiutil's status 16 (EBUSY), which it
    // returns for a busy volume with a message that may say nothing about it.
    static bool isBusy(const SystemProcessResult& result, SystemTool tool);

    // The applications named in "… dissented by PID <n> (<executable path>)" lines: the last
    // component of each path, each once, in order of first appearance.
    static QStringList holders(const SystemProcessResult& result);
};
