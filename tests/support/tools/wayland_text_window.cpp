// A native Wayland text window for delivery tests: one text field whose whole content is written,
// as UTF-8, to the --output file after every change. "ready" is printed once the window holds the
// keyboard focus (the compositor sent it wl_keyboard.enter): only then do keys reach it.
#include <QApplication>
#include <QCommandLineParser>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "wayland");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("output"), QStringLiteral("file"), QStringLiteral("path")});
    parser.process(app);

    const QString output = parser.value(QStringLiteral("output"));
    QPlainTextEdit field;
    field.setWindowTitle(QStringLiteral("Wayland text window"));
    QObject::connect(&field, &QPlainTextEdit::textChanged, [&] {
        QSaveFile file(output);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(field.toPlainText().toUtf8());
            file.commit();
        }
    });
    field.resize(480, 200);
    field.show();

    QTimer ready;
    ready.setInterval(10);
    QObject::connect(&ready, &QTimer::timeout, [&] {
        if (!field.isActiveWindow() || !field.hasFocus())
            return;
        ready.stop();
        std::puts("ready");
        std::fflush(stdout);
    });
    ready.start();
    return app.exec();
}
