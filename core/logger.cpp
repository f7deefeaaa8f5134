#include "core/logger.h"

#include <QDateTime>
#include <QFile>

Logger::Logger() = default;

Logger::~Logger() = default;

Logger &Logger::instance()
{
    static Logger logger;
    return logger;
}

bool Logger::addFileEngine(const QString &name, const QString &fileName)
{
    if (isEngineRegistered(name))
        return false;
    engines.emplace(name, Engine{fileName, NoLevels, nullptr});
    return true;
}

bool Logger::isEngineRegistered(const QString &name) const
{
    return engines.find(name) != engines.end();
}

QStringList Logger::engineNames() const
{
    QStringList names;
    for (const auto &[name, engine] : engines)
        names.append(name);
    return names;
}

QString Logger::engineFileName(const QString &name) const
{
    const auto found = engines.find(name);
    return found == engines.end() ? QString() : found->second.fileName;
}

void Logger::enableLevels(const QString &engine, Levels levels)
{
    const auto found = engines.find(engine);
    if (found != engines.end())
        found->second.levels |= levels;
}

void Logger::disableLevels(const QString &engine, Levels levels)
{
    const auto found = engines.find(engine);
    if (found != engines.end())
        found->second.levels &= ~levels;
}

Logger::Levels Logger::enabledLevels(const QString &engine) const
{
    const auto found = engines.find(engine);
    return found == engines.end() ? Levels(NoLevels) : found->second.levels;
}

bool Logger::isEnabled(Level level) const
{
    for (const auto &[name, engine] : engines) {
        if (engine.levels.testFlag(level))
            return true;
    }
    return false;
}

void Logger::write(Level level, const QString &message)
{
    for (auto &[name, engine] : engines) {
        if (engine.levels.testFlag(level))
            writeToEngine(engine, level, message);
    }
}

void Logger::writeToEngine(Engine &engine, Level level, const QString &message)
{
    // The file is opened on the first message, so registering an engine creates no file.
    if (!engine.file) {
        engine.file = std::make_unique<QFile>(engine.fileName);
        if (!engine.file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
            qWarning("Cannot open log file %s: %s", qPrintable(engine.fileName),
                     qPrintable(engine.file->errorString()));
            engine.file.reset();
            return;
        }
    }
    const QString line = QStringLiteral("[%1] [%2] %3\n")
                             .arg(QDateTime::currentDateTime().toString(Qt::ISODateWithMs), levelName(level), message);
    if (engine.file->write(line.toUtf8()) < 0 || !engine.file->flush())
        qWarning("Cannot write log file %s: %s", qPrintable(engine.fileName), qPrintable(engine.file->errorString()));
}

QString Logger::levelName(Level level)
{
    switch (level) {
    case TraceLevel:
        return QStringLiteral("Trace");
    case DebugLevel:
        return QStringLiteral("Debug");
    case InfoLevel:
        return QStringLiteral("Info");
    case WarningLevel:
        return QStringLiteral("Warning");
    case ErrorLevel:
        return QStringLiteral("Error");
    case CriticalLevel:
        return QStringLiteral("Critical");
    case FatalLevel:
        return QStringLiteral("Fatal");
    case WriteLevel:
        return QStringLiteral("Write");
    case NoLevels:
    case AllLevels:
        break;
    }
    return QString();
}
