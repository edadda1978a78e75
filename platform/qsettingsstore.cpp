// The registry-like store over QSettings. Qt stays inside this file: the
// interface in registrystore.h is plain C++ so that settings/ can use it.

#include "platform/registrystore.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <charconv>
#include <memory>
#include <cstdlib>

namespace sonivert {
namespace {

using ValueKind = RegistryKey::ValueKind;

// How values are represented in the QSettings backend.
enum class Encoding {
    // Every value is a QString with a type tag in front ("dword:", "sz:"),
    // because an INI file reads every value back as a string and "128"
    // could otherwise be a number or a text.
    Tagged,
    // The Windows registry keeps value types: an int is a REG_DWORD and
    // reads back as an int, a QString is a REG_SZ.
    Typed,
};

const QString kNumberTag = QStringLiteral("dword:");
const QString kTextTag = QStringLiteral("sz:");

struct Decoded {
    ValueKind kind = ValueKind::Absent;
    int32_t number = 0;
    QString text;
};

std::optional<int32_t> parseDecimal(const QString& digits)
{
    // std::from_chars ignores the locale, accepts an optional leading minus
    // and nothing else (no plus, no blanks), and reports overflow.
    const std::string s = digits.toStdString();
    int32_t value = 0;
    const char* end = s.data() + s.size();
    const auto [stop, error] = std::from_chars(s.data(), end, value);
    if (s.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

Decoded decode(const QVariant& value, Encoding encoding)
{
    if (!value.isValid())
        return {};
    if (encoding == Encoding::Typed) {
        switch (value.typeId()) {
        case QMetaType::Int:
            return {ValueKind::Number, value.toInt(), {}};
        case QMetaType::UInt: // the same 32 bits, read as signed
            return {ValueKind::Number, static_cast<int32_t>(value.toUInt()), {}};
        case QMetaType::QString:
            return {ValueKind::Text, 0, value.toString()};
        default:
            return {ValueKind::Other, 0, {}};
        }
    }
    if (value.typeId() != QMetaType::QString)
        return {ValueKind::Other, 0, {}};
    const QString s = value.toString();
    if (s.startsWith(kNumberTag)) {
        if (const auto number = parseDecimal(s.mid(kNumberTag.size())))
            return {ValueKind::Number, *number, {}};
        return {ValueKind::Other, 0, {}};
    }
    if (s.startsWith(kTextTag))
        return {ValueKind::Text, 0, s.mid(kTextTag.size())};
    return {ValueKind::Other, 0, {}};
}

QVariant encodeNumber(int32_t number, Encoding encoding)
{
    if (encoding == Encoding::Typed)
        return QVariant(static_cast<int>(number));
    return kNumberTag + QString::number(number);
}

QVariant encodeText(std::string_view text, Encoding encoding)
{
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (encoding == Encoding::Typed)
        return s;
    return kTextTag + s;
}

QString fromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// "Options\MP3Tag" -> "Options/MP3Tag", QSettings' group separator.
QString groupFor(std::string_view registryPath)
{
    QString group = fromUtf8(registryPath);
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return group;
}

class QSettingsKey final : public RegistryKey {
public:
    QSettingsKey(std::shared_ptr<QSettings> settings, QString group, Encoding encoding)
        : m_settings(std::move(settings)), m_group(std::move(group)), m_encoding(encoding)
    {
    }

    ValueKind valueKind(std::string_view name) const override { return read(name).kind; }

    std::optional<int32_t> readNumber(std::string_view name) const override
    {
        const Decoded d = read(name);
        if (d.kind != ValueKind::Number)
            return std::nullopt;
        return d.number;
    }

    std::optional<std::string> readText(std::string_view name) const override
    {
        const Decoded d = read(name);
        if (d.kind != ValueKind::Text)
            return std::nullopt;
        return d.text.toStdString();
    }

    std::optional<size_t> textSize(std::string_view name) const override
    {
        const Decoded d = read(name);
        if (d.kind != ValueKind::Text)
            return std::nullopt;
        return static_cast<size_t>(d.text.toUtf8().size()) + 1;
    }

    std::vector<std::string> valueNames() const override
    {
        m_settings->beginGroup(m_group);
        QStringList keys = m_settings->childKeys();
        m_settings->endGroup();
        keys.sort();
        std::vector<std::string> names;
        names.reserve(static_cast<size_t>(keys.size()));
        for (const QString& k : keys)
            names.push_back(k.toStdString());
        return names;
    }

    void writeNumber(std::string_view name, int32_t value) override
    {
        m_settings->setValue(keyFor(name), encodeNumber(value, m_encoding));
    }

    void writeText(std::string_view name, std::string_view value) override
    {
        m_settings->setValue(keyFor(name), encodeText(value, m_encoding));
    }

private:
    QString keyFor(std::string_view name) const { return m_group + QLatin1Char('/') + fromUtf8(name); }
    Decoded read(std::string_view name) const { return decode(m_settings->value(keyFor(name)), m_encoding); }

    // Shared with the store, so that a key stays usable after it.
    std::shared_ptr<QSettings> m_settings;
    QString m_group;
    Encoding m_encoding;
};

class QSettingsStore final : public RegistryStore {
public:
    QSettingsStore(std::shared_ptr<QSettings> settings, Encoding encoding)
        : m_settings(std::move(settings)), m_encoding(encoding)
    {
    }

    std::unique_ptr<RegistryKey> openKey(std::string_view path) override
    {
        // QSettings has no empty groups: a key exists when something is in it.
        const QString group = groupFor(path);
        m_settings->beginGroup(group);
        const bool exists = !m_settings->childKeys().isEmpty() || !m_settings->childGroups().isEmpty();
        m_settings->endGroup();
        if (!exists)
            return nullptr;
        return std::make_unique<QSettingsKey>(m_settings, group, m_encoding);
    }

    std::unique_ptr<RegistryKey> createKey(std::string_view path) override
    {
        if (!m_settings->isWritable())
            return nullptr;
        return std::make_unique<QSettingsKey>(m_settings, groupFor(path), m_encoding);
    }

    bool flush() override
    {
        m_settings->sync();
        return m_settings->status() == QSettings::NoError;
    }

private:
    std::shared_ptr<QSettings> m_settings;
    Encoding m_encoding;
};

Encoding encodingOf(const QSettings& settings)
{
#ifdef Q_OS_WIN
    if (settings.format() == QSettings::NativeFormat)
        return Encoding::Typed;
#else
    (void)settings;
#endif
    return Encoding::Tagged;
}

std::unique_ptr<RegistryStore> makeStore(std::shared_ptr<QSettings> settings)
{
    const Encoding encoding = encodingOf(*settings);
    return std::make_unique<QSettingsStore>(std::move(settings), encoding);
}

} // namespace

std::unique_ptr<RegistryStore> openIniSettingsStore(const std::string& path)
{
    return makeStore(std::make_shared<QSettings>(QString::fromStdString(path), QSettings::IniFormat));
}

std::unique_ptr<RegistryStore> openUserSettingsStore()
{
    const char* file = std::getenv(kSettingsFileVariable);
    if (file != nullptr && *file != '\0')
        return openIniSettingsStore(file);
    return makeStore(std::make_shared<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                 QStringLiteral("Quillon"), QStringLiteral("Sonivert")));
}

} // namespace sonivert
