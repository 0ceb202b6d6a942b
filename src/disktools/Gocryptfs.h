#pragma once

#include "disktools/RecoveryKey.h"
#include "disktools/VaultPassword.h"
#include "posix/ChildProcess.h"

#include <string>

#include <chrono>
#include <optional>
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

    // Mounts the volume on `mountPoint` (an empty folder), visible to this user only, and returns
    // once it is mounted, gocryptfs serving it in a session of its own with /dev/null for its
    // standard streams, so it holds no pipe of the caller's open. SIGUSR1, by which gocryptfs says
    // it has mounted, must be blocked in every thread of the caller. With an `idleTimeout` above zero the
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

    // The volume's master key, read from its configuration with gocryptfs-xray (the password on
    // its standard input, the key on its standard output). None when `password` is wrong; throws
    // ToolFailure when the key cannot be read otherwise.
    static std::optional<RecoveryKey> masterKey(const std::string& cipherDirectory, const VaultPassword& password,
                                                std::stop_token stop);

    // Wraps `key` with `newPassword` in a new configuration. gocryptfs cannot tell a wrong key
    // from a right one here, so the caller proves the key first (mountReadOnly). gocryptfs keeps
    // the replaced configuration as a backup, which would still open with the old password: it is
    // removed. Throws ToolFailure.
    static void setPasswordWithKey(const std::string& cipherDirectory, const RecoveryKey& key,
                                   const VaultPassword& newPassword, std::stop_token stop);

    // Mounts the volume read-only with `key` instead of the configuration's password, visible to
    // this user only and without writing anything. A wrong key mounts too: its names simply do
    // not decrypt. Throws ToolFailure.
    static void mountReadOnly(const std::string& cipherDirectory, const std::string& mountPoint,
                              const RecoveryKey& key);

    // Reads every file, folder, link and name of the volume (gocryptfs -fsck) without changing
    // anything; the result's standard output holds gocryptfs's report. Throws ToolFailure when the
    // run fails.
    static ChildProcess::Result check(const std::string& cipherDirectory, const VaultPassword& password,
                                      std::stop_token stop);

    // Removes what an earlier change of the configuration cut short may have left (gocryptfs's
    // new configuration before its rename, its backup of the old one): gocryptfs refuses every
    // later change while either is there. For a caller that holds the image's lock.
    static void discardConfigurationLeftovers(const std::string& cipherDirectory);

    static constexpr const char* xrayExecutable = "/usr/bin/gocryptfs-xray";
    static constexpr const char* configurationFileName = "gocryptfs.conf";
    static constexpr const char* configurationBackupFileName = "gocryptfs.conf.bak";
    static constexpr int checkFoundErrorsStatus = 26;

    static constexpr int wrongPasswordStatus = 12;
};
