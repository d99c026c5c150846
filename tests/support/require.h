#pragma once
// A test that needs something from outside (a program, a font, a server) skips without
// it, naming what to install; where FORMELAN_TEST_REQUIRE is set (CI), it fails instead,
// so that a missing install step cannot pass as a skip.

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtGlobal>

namespace formelan::test {

inline bool outsideRequired()
{
    return qEnvironmentVariableIsSet("FORMELAN_TEST_REQUIRE");
}

// Runs a program with `env` added to this one's environment; empty when it ended well,
// else what it printed.
inline QString runChild(const QString &program, const QStringList &arguments,
                        const QProcessEnvironment &env)
{
    QProcess child;
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    all.insert(env);
    child.setProcessEnvironment(all);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program, arguments);
    if (!child.waitForFinished(120000))
        return QStringLiteral("the child did not finish");
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return {};
    return QString::fromLocal8Bit(child.readAll());
}

// Whether this run is the child that runWithDejaVuOnly started.
inline bool dejaVuOnly()
{
    return qEnvironmentVariableIsSet("FORMELAN_TEST_DEJAVU_ONLY");
}

// Runs one test function of this test program again in a child that sees no font but
// DejaVu, as on a machine without the Liberation fonts; empty when the child passed,
// else what it printed.
inline QString runWithDejaVuOnly(const char *testFunction)
{
    const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu");
    if (!QFileInfo(dejavu).isDir())
        return QStringLiteral("DejaVu (Debian: fonts-dejavu-core) is not installed");
    QTemporaryDir dir;
    QFile conf(dir.filePath(QStringLiteral("fonts.conf")));
    if (!conf.open(QIODevice::WriteOnly))
        return conf.errorString();
    conf.write(QStringLiteral("<?xml version=\"1.0\"?><fontconfig><dir>%1</dir>"
                              "<cachedir>%2</cachedir></fontconfig>")
                   .arg(dejavu, dir.filePath(QStringLiteral("cache")))
                   .toUtf8());
    conf.close();
    QProcessEnvironment env;
    env.insert(QStringLiteral("FONTCONFIG_FILE"), conf.fileName());
    env.insert(QStringLiteral("FORMELAN_TEST_DEJAVU_ONLY"), QStringLiteral("1"));
    return runChild(QCoreApplication::applicationFilePath(), {QString::fromLatin1(testFunction)},
                    env);
}

// Runs one test function of this test program again as user 65534, to whom file
// permissions apply as they do not to root; `env` is added to the child's environment.
// Empty when the child passed, else what it printed.
inline QString runAsOtherUser(const char *testFunction, const QProcessEnvironment &env)
{
    return runChild(QStringLiteral("setpriv"),
                    {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                     QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                     QString::fromLatin1(testFunction)},
                    env);
}

} // namespace formelan::test

// `what` is a string literal: what is missing and the package that brings it.
#define FORMELAN_NEED(available, what)                                                             \
    do {                                                                                           \
        if (!(available)) {                                                                        \
            if (formelan::test::outsideRequired())                                                 \
                QFAIL(what " (FORMELAN_TEST_REQUIRE is set)");                                     \
            QSKIP(what);                                                                           \
        }                                                                                          \
    } while (false)
