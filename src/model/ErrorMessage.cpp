#include "model/ErrorMessage.h"

#include "model/CancellationError.h"
#include "model/MountedRollbackFailure.h"
#include "model/VaultError.h"
#include "platform/PathError.h"
#include "platform/PosixError.h"

#include <QFile>

#include <system_error>

QString userMessage(const std::exception_ptr& failure, const QString& namesRelativeTo)
{
    try {
        std::rethrow_exception(failure);
    } catch (const VaultError& error) {
        return error.errorDescription();
    } catch (const MountedRollbackFailure& error) {
        return error.errorDescription();
    } catch (const PathError& error) {
        return error.description(namesRelativeTo);
    } catch (const std::system_error& error) {
        // The standard library's own categories speak the C library's English.
        const std::error_category& category = error.code().category();
        if (category == std::generic_category() || category == std::system_category()) {
            return posixErrorText(error.code().value());
        }
        // Code without Qt throws its POSIX errors plainly, the path it is about (the file
        // system's bytes) leading the text: "<path>: <Portuguese system text>".
        if (category == posixCategory()) {
            return QFile::decodeName(error.what());
        }
        return QString::fromStdString(error.code().message());
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Ocorreu um erro inesperado.");
    }
}

bool isCancellation(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const CancellationError&) {
        return true;
    } catch (const VaultError& error) {
        return error.kind() == VaultError::Kind::operationCancelled;
    } catch (...) {
        return false;
    }
}

bool isVaultError(const std::exception_ptr& failure, VaultError::Kind kind)
{
    try {
        std::rethrow_exception(failure);
    } catch (const VaultError& error) {
        return error.kind() == kind;
    } catch (...) {
        return false;
    }
}
