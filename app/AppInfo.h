#pragma once

#include <QString>

// The program's identity.
namespace AppInfo
{

inline QString title()
{
    return QStringLiteral("Orvel On-Line");
}
constexpr int Major = 1;
constexpr int Minor = 0;
constexpr int Revision = 5;

} // namespace AppInfo
