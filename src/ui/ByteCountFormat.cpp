#include "ui/ByteCountFormat.h"

#include <QLocale>

QString ByteCountFormat::text(std::int64_t bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}
