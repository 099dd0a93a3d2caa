#pragma once

#include <QString>
#include <QStringList>

// A throwaway service a script in tests/support runs ("start DIR" writes its
// address to DIR/url, "stop DIR" ends it): the one CTest started for the
// suite (in ZORVI_TEST_SERVICES/<name>), or else one started on first use
// and stopped when this object goes.
class ScriptedTestService {
public:
    ~ScriptedTestService();

    QString url() const { return url_; }
    QString folder() const { return folder_; }
    QString error() const { return error_; }

    // Runs a helper program to its end; false with its output in *error.
    static bool run(const QString& program, const QStringList& arguments, QString* error);

protected:
    // Finds or starts the service; false (with error()) when neither works.
    bool open(const QString& name, const QString& script);

    QString error_;

private:
    QString script_;
    QString folder_;
    QString url_;
    bool ownFolder_ = false;
};
