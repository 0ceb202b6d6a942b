#include "content/InternalVolumeItems.h"

#include "platform/VolumeTrash.h"

QStringList InternalVolumeItems::names()
{
    return {QStringLiteral(".DocumentRevisions-V100"),
            QStringLiteral(".Spotlight-V100"),
            QStringLiteral(".Trashes"),
            QStringLiteral(".fseventsd"),
            QStringLiteral(".metadata_never_index"),
            stagingFolderName,
            VolumeTrash::directoryName()};
}

bool InternalVolumeItems::contains(const QString& name)
{
    static const QStringList internalNames = names();
    return internalNames.contains(name, Qt::CaseInsensitive);
}
