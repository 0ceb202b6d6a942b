#include "store/AttachFailureWording.h"

#include "model/ErrorMessage.h"
#include "model/MountedRollbackFailure.h"

namespace {

std::optional<MountedRollbackFailure> rollbackFailureIn(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const MountedRollbackFailure& rollback) {
        return rollback;
    } catch (...) {
        return std::nullopt;
    }
}

// "A finalização do desbloqueio falhou (original) e a desmontagem automática falhou (rollback)."
// without its final full stop, which each case words differently.
QString bothFailed(const MountedRollbackFailure& rollback)
{
    return QStringLiteral("A finalização do desbloqueio falhou (") + rollback.originalFailure() +
           QStringLiteral(") e a desmontagem automática falhou (") + rollback.rollbackFailure() + QStringLiteral(")");
}

} // namespace

AttachFailureWording AttachFailureWording::describe(const std::exception_ptr& attachFailure, bool createdNow,
                                                    MountState state, const std::exception_ptr& discoveryFailure)
{
    const QString message = userMessage(attachFailure);
    const std::optional<MountedRollbackFailure> rollback = rollbackFailureIn(attachFailure);
    AttachFailureWording wording;
    switch (state) {
    case MountState::unconfirmed:
        if (rollback) {
            wording.errorMessage = bothFailed(*rollback) +
                                   QStringLiteral(". Também não foi possível confirmar o estado atual: ") +
                                   userMessage(discoveryFailure);
        } else {
            wording.errorMessage = message +
                                   QStringLiteral(" Também não foi possível confirmar o estado de montagem: ") +
                                   userMessage(discoveryFailure);
        }
        if (createdNow) {
            wording.noticeBase =
                QStringLiteral("O cofre foi criado; bloqueie-o e desbloqueie-o para confirmar seu estado.");
        }
        break;
    case MountState::mounted:
        if (rollback) {
            wording.errorMessage =
                bothFailed(*rollback) + QStringLiteral(". Uma nova consulta confirmou que o cofre continua montado.");
        } else if (createdNow) {
            wording.errorMessage =
                QStringLiteral("O cofre foi criado e continua montado, mas a finalização do desbloqueio falhou: ") +
                message;
        } else {
            wording.errorMessage =
                QStringLiteral("O cofre continua montado, mas a finalização do desbloqueio falhou: ") + message;
        }
        wording.noticeBase = QStringLiteral("O cofre continua montado.");
        break;
    case MountState::notMounted:
        if (rollback) {
            wording.errorMessage = QStringLiteral("A finalização do desbloqueio falhou (") +
                                   rollback->originalFailure() + QStringLiteral("). A desmontagem retornou erro (") +
                                   rollback->rollbackFailure() +
                                   QStringLiteral("), mas uma nova consulta confirmou que o cofre está bloqueado.");
        } else if (createdNow) {
            wording.errorMessage = QStringLiteral("O cofre foi criado, mas não pôde ser desbloqueado: ") + message;
        } else {
            wording.errorMessage = message;
        }
        if (createdNow) {
            wording.noticeBase = QStringLiteral("O cofre foi criado e permanece bloqueado.");
        }
        break;
    }
    return wording;
}
