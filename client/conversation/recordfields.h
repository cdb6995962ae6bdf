#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>
#include <utility>

// The stable names enums are kept under in files, never their numbers, so that reordering or
// adding values leaves what was kept readable.
namespace EnumNames {

template <typename Enum, std::size_t N>
using Table = std::array<std::pair<Enum, QLatin1StringView>, N>;

// The first name for a value the table lacks.
template <typename Enum, std::size_t N>
QString nameOf(const Table<Enum, N> &names, Enum value)
{
    for (const auto &[known, name] : names) {
        if (known == value)
            return name;
    }
    return names.front().second;
}

template <typename Enum, std::size_t N>
std::optional<Enum> valueNamed(const Table<Enum, N> &names, QStringView name)
{
    for (const auto &[value, known] : names) {
        if (known == name)
            return value;
    }
    return std::nullopt;
}

} // namespace EnumNames

// How the chat file's records write their fields.
namespace RecordFields {

// Empty texts are left out: most records have few of them.
inline void putText(QJsonObject &json, QLatin1StringView key, const QString &text)
{
    if (!text.isEmpty())
        json.insert(key, text);
}

template <typename T, typename Convert>
QJsonArray arrayOf(const QList<T> &items, Convert convert)
{
    QJsonArray array;
    for (const T &item : items)
        array.append(convert(item));
    return array;
}

} // namespace RecordFields
