#pragma once

#include "app/Version.h"

#include <QString>

// The program's identity.
namespace AppInfo
{

inline QString title()
{
    return QStringLiteral("Orvel On-Line");
}
constexpr int Major = OrvelVersion::Major;
constexpr int Minor = OrvelVersion::Minor;
constexpr int Revision = OrvelVersion::Revision;

} // namespace AppInfo
