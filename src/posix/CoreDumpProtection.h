#pragma once

// Keeps a process that holds a password from writing it anywhere by accident: no core file (the
// core size limit, which the programs it starts inherit, becomes zero) and not dumpable (no core,
// and no other process of the same user may attach a debugger to it or read its memory through
// /proc; its own /proc/self stays readable). Made once at start-up, before any password is read.
class CoreDumpProtection
{
public:
    static void apply();
};
