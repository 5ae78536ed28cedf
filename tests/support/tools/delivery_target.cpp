// A target application for delivery tests: one text field whose whole content is written, as
// UTF-8, to the --output file after every change. With --terminal it pastes only on
// Ctrl+Shift+V, as terminal emulators do; --class sets its WM_CLASS class.
//
// Commands on standard input, one per line, each answered by one line on standard output:
//   own-clipboard <mime>=<hex> …   takes the clipboard with these formats   -> "owned"
//   dump-clipboard                 reads the clipboard                      -> "clipboard <mime>=<hex> …"
//   clear                          empties the text field                   -> "cleared"
#include <QApplication>
#include <QClipboard>
#include <QCommandLineParser>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

class Field : public QPlainTextEdit {
public:
    bool terminal = false;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool ctrlShiftV = event->key() == Qt::Key_V && event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
        if (terminal && event->matches(QKeySequence::Paste))
            return; // Ctrl+V is a control character in a terminal
        if (terminal && ctrlShiftV) {
            paste();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
    }
};

void reply(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    // The class must be known before the first window exists.
    QString className = QStringLiteral("DeliveryTarget");
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--class")
            className = QString::fromLocal8Bit(argv[i + 1]);
    }
    QApplication::setApplicationName(className);
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("output"), QStringLiteral("file"), QStringLiteral("path")});
    parser.addOption({QStringLiteral("class"), QStringLiteral("WM_CLASS class"), QStringLiteral("name")});
    parser.addOption({QStringLiteral("terminal"), QStringLiteral("paste only on Ctrl+Shift+V")});
    parser.process(app);

    const QString output = parser.value(QStringLiteral("output"));
    Field field;
    field.terminal = parser.isSet(QStringLiteral("terminal"));
    field.setWindowTitle(className);
    QObject::connect(&field, &QPlainTextEdit::textChanged, [&] {
        QSaveFile file(output);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(field.toPlainText().toUtf8());
            file.commit();
        }
    });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(end).split(' ');
            pending.remove(0, end + 1);
            if (words.value(0) == "own-clipboard") {
                auto *data = new QMimeData;
                for (qsizetype i = 1; i < words.size(); ++i) {
                    const qsizetype eq = words[i].indexOf('=');
                    data->setData(QString::fromLatin1(words[i].left(eq)), QByteArray::fromHex(words[i].mid(eq + 1)));
                }
                QApplication::clipboard()->setMimeData(data);
                reply("owned");
            } else if (words.value(0) == "dump-clipboard") {
                QByteArray line = "clipboard";
                if (const QMimeData *data = QApplication::clipboard()->mimeData()) {
                    for (const QString &format : data->formats()) {
                        if (format != QLatin1String("application/x-qt-image"))
                            line += ' ' + format.toLatin1() + '=' + data->data(format).toHex();
                    }
                }
                reply(line);
            } else if (words.value(0) == "clear") {
                field.clear();
                reply("cleared");
            }
        }
    });

    field.resize(600, 300);
    field.show();
    field.activateWindow();
    QTimer::singleShot(0, [&] { reply("ready " + QByteArray::number(field.winId())); });
    return app.exec();
}
