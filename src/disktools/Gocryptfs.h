#pragma once

#include "disktools/VaultPassword.h"

#include <QString>

#include <stop_token>

// The two gocryptfs runs a vault needs. The password travels only through gocryptfs's standard
// input, as the line VaultPassword::gocryptfsLine() gives, wiped as soon as the run is over.
class Gocryptfs
{
public:
    static constexpr const char* executable = "/usr/bin/gocryptfs";

    // Makes `cipherDirectory` (an existing empty folder) a new gocryptfs volume with the default
    // cipher (AES-256-GCM) and key derivation (scrypt). Throws ToolFailure.
    static void initialize(const QString& cipherDirectory, const VaultPassword& password, std::stop_token stop);

    // Mounts the volume on `mountPoint` (an empty folder), visible to this user only. gocryptfs
    // forks a daemon that serves the volume and then returns; the daemon's standard streams are
    // /dev/null, so it holds no pipe of the caller's open. It runs to the end even when the caller
    // is asked to stop: the caller checks afterwards and unmounts. Throws ToolFailure, with a text
    // of its own for a wrong password (gocryptfs's exit status 12).
    static void mount(const QString& cipherDirectory, const QString& mountPoint, const VaultPassword& password);

    static constexpr int wrongPasswordStatus = 12;
};
