#pragma once

#include <QString>
#include <QUrl>

#include <ostream>

// Readable GoogleTest failure messages for Qt values.
inline void PrintTo(const QString& value, std::ostream* os)
{
    *os << '"' << value.toStdString() << '"';
}

inline void PrintTo(const QUrl& value, std::ostream* os)
{
    *os << '<' << value.toString(QUrl::FullyEncoded).toStdString() << '>';
}
