#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

// Where the client follows Windows' rules: CR LF, no ":" in names, the registry, the profile's home.
inline const bool kOnWindows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;

// Gives a test process a home, configuration and settings of its own, so that no test
// reads or writes the real user's files, and the application identity the client uses.
class TestEnvironment final
{
public:
    TestEnvironment();

    // Clears every stored setting, for a clean start of each case.
    static void resetSettings();

    // Creates path's folder as needed and replaces the file with content.
    static bool writeFile(const QString &path, const QByteArray &content);
    static QByteArray readFile(const QString &path); // "<missing>" when it cannot be read
    // lf with the line ends the client writes here: CR LF on Windows.
    static QByteArray systemLineEnds(QByteArray lf) { return kOnWindows ? lf.replace('\n', "\r\n") : lf; }

    // Writes config.json beside the test executable; removeServiceConfig deletes it.
    static void writeServiceConfig(const QByteArray &content);
    static void writeServiceBaseUrl(const QString &baseUrl);
    static void removeServiceConfig();

    // A loopback address nobody listens on, so requests to it are refused at once.
    static QString refusingServiceUrl();

private:
    QTemporaryDir m_root;
};

#define BREVAN_TEST_MAIN_IMPL(AppClass, TestObject) \
    int main(int argc, char *argv[]) \
    { \
        TestEnvironment environment; \
        AppClass app(argc, argv); \
        app.setOrganizationName(QStringLiteral("TavrinAI")); \
        app.setApplicationName(QStringLiteral("TavrinAI")); \
        TestObject test; \
        QTEST_SET_MAIN_SOURCE_PATH \
        return QTest::qExec(&test, argc, argv); \
    }

// For tests that build widgets (offscreen).
#define BREVAN_GUI_TEST_MAIN(TestObject) BREVAN_TEST_MAIN_IMPL(QApplication, TestObject)
// For tests without a GUI.
#define BREVAN_CORE_TEST_MAIN(TestObject) BREVAN_TEST_MAIN_IMPL(QCoreApplication, TestObject)
