#include "settings/SettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStringList>
#include <limits>

namespace quavril {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A decimal 32-bit integer as written by WriteInt, with optional sign and surrounding blanks.
std::optional<int32_t> ParseInt32(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

} // namespace

SettingsStore::SettingsStore() : SettingsStore(DefaultFilePath()) {}

SettingsStore::SettingsStore(const QString& filePath)
    : settings_(std::make_unique<QSettings>(filePath, QSettings::IniFormat)) {
    settings_->beginGroup(QString::fromLatin1(KeyPath));
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::DefaultFilePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Orvande/Quavril.conf");
}

QString SettingsStore::FilePath() const {
    return settings_->fileName();
}

bool SettingsStore::KeyExists() const {
    return !settings_->childKeys().isEmpty();
}

QString SettingsStore::StoredName(std::string_view name) const {
    const QString wanted = ToQString(name);
    if (settings_->contains(wanted))
        return wanted;
    const QStringList keys = settings_->childKeys();
    for (const QString& key : keys)
        if (key.compare(wanted, Qt::CaseInsensitive) == 0)
            return key;
    return {};
}

QString SettingsStore::WriteName(std::string_view name) const {
    const QString stored = StoredName(name);
    return stored.isEmpty() ? ToQString(name) : stored;
}

bool SettingsStore::Contains(std::string_view name) const {
    return !StoredName(name).isEmpty();
}

std::optional<std::string> SettingsStore::ReadText(std::string_view name) const {
    const QString key = StoredName(name);
    if (key.isEmpty())
        return std::nullopt;
    // A hand-written value with an unquoted comma reads as a list: it is still the text.
    const QVariant value = settings_->value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(", ").toStdString();
    return value.toString().toStdString();
}

std::optional<int32_t> SettingsStore::ReadInt(std::string_view name) const {
    const QString key = StoredName(name);
    if (key.isEmpty())
        return std::nullopt;
    return ParseInt32(settings_->value(key).toString());
}

std::optional<bool> SettingsStore::ReadFlag(std::string_view name) const {
    const auto value = ReadInt(name);
    if (!value)
        return std::nullopt;
    return *value != 0;
}

void SettingsStore::WriteText(std::string_view name, const std::string& value) {
    settings_->setValue(WriteName(name), QString::fromStdString(value));
}

void SettingsStore::WriteInt(std::string_view name, int32_t value) {
    settings_->setValue(WriteName(name), value);
}

void SettingsStore::WriteFlag(std::string_view name, bool value) {
    WriteInt(name, value ? 1 : 0);
}

void SettingsStore::Remove(std::string_view name) {
    const QString key = StoredName(name);
    if (!key.isEmpty())
        settings_->remove(key);
}

bool SettingsStore::Sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

} // namespace quavril
