// One QApplication for every widget test, created before the first test runs (offscreen unless
// QT_QPA_PLATFORM says otherwise), with settings kept in a temporary folder.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QApplication::instance()) return;
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        // What the windows remember goes into a folder of this run, never the user's settings.
        for (auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            for (auto scope : {QSettings::UserScope, QSettings::SystemScope})
                QSettings::setPath(format, scope, m_settings.path());
        m_app = new QApplication(m_argc, m_argv);
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
    }

private:
    int m_argc = 1;
    char m_name[16] = "fentaro_tests";
    char* m_argv[2] = {m_name, nullptr};
    QApplication* m_app = nullptr;
    QTemporaryDir m_settings;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

} // namespace
