#pragma once

#include <QApplication>
#include <QTranslator>

// The application object. An exception that escapes an event handler ends here instead of
// ending the program: its message is shown in the information box and the program carries on.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows what an escaped exception says; the program keeps running.
    static void HandleException(const std::exception &error);

private:
    // Qt's own dialogs and the engine's texts, in Simplified Chinese like the rest of the program.
    QTranslator m_qtTranslator;
};
