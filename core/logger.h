#ifndef LOGGER_H
#define LOGGER_H

#include <QFlags>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <memory>

class QFile;

// The program's own log: named engines, each writing to one file, each with its own set of enabled
// levels. Every level starts disabled, so messages cost only a flag test until someone turns them on.
class Logger
{
public:
    enum Level {
        NoLevels = 0x00,
        TraceLevel = 0x01,
        DebugLevel = 0x02,
        InfoLevel = 0x04,
        WarningLevel = 0x08,
        ErrorLevel = 0x10,
        CriticalLevel = 0x20,
        FatalLevel = 0x40,
        WriteLevel = 0x80,
        AllLevels = 0xff
    };
    Q_DECLARE_FLAGS(Levels, Level)

    static Logger &instance();

    // Registers an engine appending to fileName; a name that is already registered keeps its engine.
    bool addFileEngine(const QString &name, const QString &fileName);
    bool isEngineRegistered(const QString &name) const;
    QStringList engineNames() const;
    QString engineFileName(const QString &name) const;

    void enableLevels(const QString &engine, Levels levels);
    void disableLevels(const QString &engine, Levels levels);
    Levels enabledLevels(const QString &engine) const;
    bool isEnabled(Level level) const;

    void write(Level level, const QString &message);

private:
    struct Engine
    {
        QString fileName;
        Levels levels;
        std::unique_ptr<QFile> file;
    };

    Logger();
    ~Logger();
    Q_DISABLE_COPY_MOVE(Logger)

    static QString levelName(Level level);
    void writeToEngine(Engine &engine, Level level, const QString &message);

    std::map<QString, Engine> engines;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Logger::Levels)

// Logs the values, joined by spaces, at debug level.
template<typename... Values>
void logDebug(const Values &...values)
{
    Logger &logger = Logger::instance();
    if (!logger.isEnabled(Logger::DebugLevel))
        return;
    const QStringList parts{QVariant(values).toString()...};
    logger.write(Logger::DebugLevel, parts.join(QLatin1Char(' ')));
}

#endif // LOGGER_H
