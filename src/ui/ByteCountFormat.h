#pragma once

#include <QString>

#include <cstdint>

// Byte counts as file managers write them: decimal units with one decimal place, the Brazilian
// way ("1,2 MB").
namespace ByteCountFormat {

QString text(std::int64_t bytes);

} // namespace ByteCountFormat
