#pragma once

#include "disktools/VaultPassword.h"

#include <string>

#include <chrono>
#include <stop_token>

// The gocryptfs runs a vault needs. The password travels only through gocryptfs's standard
// input, as the line VaultPassword::gocryptfsLine() gives, wiped as soon as the run is over.
class Gocryptfs
{
public:
    static constexpr const char* executable = "/usr/bin/gocryptfs";

    // Makes `cipherDirectory` (an existing empty folder) a new gocryptfs volume with the default
    // cipher (AES-256-GCM) and key derivation (scrypt). Throws ToolFailure.
    static void initialize(const std::string& cipherDirectory, const VaultPassword& password, std::stop_token stop);

    // Mounts the volume on `mountPoint` (an empty folder), visible to this user only. gocryptfs
    // forks a daemon that serves the volume and then returns; the daemon's standard streams are
    // /dev/null, so it holds no pipe of the caller's open. With an `idleTimeout` above zero the
    // daemon unmounts the volume by itself once nothing has used it for that long (an open file
    // or a working directory inside counts as use). gocryptfs is not started unless it is
    // installed and the configuration is a regular file of this user's that reads as one. Throws
    // ToolFailure with the AttachExitStatus of its cause (a wrong password is gocryptfs's exit
    // status 12); a stop ends gocryptfs and everything it started ("Operação interrompida.").
    static void mount(const std::string& cipherDirectory, const std::string& mountPoint, const VaultPassword& password,
                      std::chrono::seconds idleTimeout, std::stop_token stop);

    // Gives the volume a new password. Only the configuration file's wrapping of the master key
    // changes, and gocryptfs writes it to a new file that it renames over the old one, so the
    // data stays as it is and a change cut short leaves one of the two passwords working, never
    // neither. False, with nothing changed, when `currentPassword` is wrong; throws ToolFailure
    // when the change fails otherwise.
    static bool changePassword(const std::string& cipherDirectory, const VaultPassword& currentPassword,
                               const VaultPassword& newPassword, std::stop_token stop);

    static constexpr const char* configurationFileName = "gocryptfs.conf";

    static constexpr int wrongPasswordStatus = 12;
};
