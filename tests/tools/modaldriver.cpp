#include "tests/tools/modaldriver.h"

#include "tests/support/dialogtesting.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>

ModalDriver::ModalDriver(int patience)
    : patience(patience)
{
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
    timer.start();
    sinceLastStep.start();
}

void ModalDriver::when(const Ready &ready, const Act &act)
{
    steps.append({ready, act});
}

void ModalDriver::answerBox(QMessageBox::StandardButton button)
{
    when([](QWidget *widget) { return qobject_cast<QMessageBox *>(widget) != nullptr; },
         [button](QWidget *widget) { DialogTesting::press(static_cast<QMessageBox *>(widget), button); });
}

void ModalDriver::chooseDirectory(const QString &path)
{
    when([](QWidget *widget) { return qobject_cast<QFileDialog *>(widget) != nullptr; },
         [path](QWidget *widget) { DialogTesting::chooseFile(static_cast<QFileDialog *>(widget), path); });
}

void ModalDriver::cancelChooser()
{
    when([](QWidget *widget) { return qobject_cast<QFileDialog *>(widget) != nullptr; },
         [](QWidget *widget) { static_cast<QFileDialog *>(widget)->reject(); });
}

bool ModalDriver::waitUntilDone() const
{
    return QTest::qWaitFor([this] { return finished(); }, patience);
}

void ModalDriver::note(QWidget *widget)
{
    if (auto *box = qobject_cast<QMessageBox *>(widget))
        boxes.append({QStringLiteral("box"), box->windowTitle(), box->text(), QString()});
    else if (auto *chooser = qobject_cast<QFileDialog *>(widget))
        choosers.append(
            {QStringLiteral("chooser"), chooser->windowTitle(), QString(), chooser->directory().absolutePath()});
}

void ModalDriver::tick()
{
    QWidget *widget = QApplication::activeModalWidget();
    if (widget && !widget->isVisible())
        widget = nullptr;
    if (!steps.isEmpty() && steps.first().ready(widget)) {
        const Step step = steps.takeFirst();
        note(widget);
        sinceLastStep.restart();
        // A step may open a window with a loop of its own; the later steps are taken inside it.
        ++acting;
        step.act(widget);
        --acting;
    } else if (qobject_cast<QMessageBox *>(widget) || qobject_cast<QFileDialog *>(widget)) {
        note(widget);
        unexpected.append(QStringLiteral("%1 \"%2\"").arg(widget->metaObject()->className(), widget->windowTitle()));
        widget->close();
    } else if (!steps.isEmpty() && sinceLastStep.elapsed() > patience) {
        unexpected.append(QStringLiteral("%1 steps never ready").arg(steps.size()));
        steps.clear();
        DialogTesting::closeModalWindows();
    }
}
