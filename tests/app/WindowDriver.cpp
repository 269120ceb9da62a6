#include "tests/app/WindowDriver.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

bool Click(QWidget* window, int id)
{
    auto* button = FindControl<QAbstractButton>(window, id);
    if (button == nullptr || !button->isVisible() || !button->isEnabled()) {
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

void SelectRows(QTreeWidget* list, const std::vector<int>& rows)
{
    list->clearSelection();
    for (const int row : rows) {
        const QModelIndex index = list->model()->index(row, 0);
        list->selectionModel()->select(index, QItemSelectionModel::Select |
                                                  QItemSelectionModel::Rows);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
}

std::optional<std::filesystem::path> ScriptedPicker::ChooseFile(const std::vector<FileFilter>&,
                                                                const std::filesystem::path&)
{
    ++asked;
    if (files.empty()) {
        return std::nullopt;
    }
    std::filesystem::path chosen = files.front();
    files.pop_front();
    return chosen;
}

std::optional<std::filesystem::path> ScriptedPicker::ChooseFolder(const std::string&,
                                                                  const std::filesystem::path&)
{
    ++asked;
    if (folders.empty()) {
        return std::nullopt;
    }
    std::filesystem::path chosen = folders.front();
    folders.pop_front();
    return chosen;
}

std::optional<std::filesystem::path> ScriptedPicker::ChooseSaveFile(
    const FileFilter&, const std::filesystem::path&, const std::filesystem::path&)
{
    ++asked;
    if (saveFiles.empty()) {
        return std::nullopt;
    }
    std::filesystem::path chosen = saveFiles.front();
    saveFiles.pop_front();
    return chosen;
}

void RefusedExit::Exit(int status)
{
    std::fprintf(stderr, "a quit was confirmed inside the test program (status %d)\n", status);
    std::abort();
}

DialogAnswerer::DialogAnswerer(std::vector<Step> steps) : script(steps.begin(), steps.end())
{
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, this, [this] { Look(); });
    timer.start();
}

void DialogAnswerer::Add(Step step)
{
    script.push_back(std::move(step));
}

void DialogAnswerer::Look()
{
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog == last || !dialog->isVisible()) {
        return;
    }
    last = dialog;
    QString seen = dialog->windowTitle();
    if (const auto* message = dialog->findChild<QLabel*>(QStringLiteral("control1076"))) {
        seen += QStringLiteral(": ") + message->text();
    }
    if (script.empty()) {
        std::fprintf(stderr, "no answer for the dialog %s\n", seen.toUtf8().constData());
        return;
    }
    shown << seen;
    Step step = std::move(script.front());
    script.pop_front();
    step(dialog);
}

DialogAnswerer::Step Press(const QString& buttonName)
{
    return [buttonName](QDialog* dialog) {
        auto* button = dialog->findChild<QAbstractButton*>(buttonName);
        if (button == nullptr) {
            dialog->done(-100);  // the test sees a result no button gives
            return;
        }
        QTest::mouseClick(button, Qt::LeftButton);
    };
}

DialogAnswerer::Step Key(int key)
{
    return [key](QDialog* dialog) {
        QWidget* target = dialog->focusWidget() != nullptr ? dialog->focusWidget() : dialog;
        QTest::keyClick(target, static_cast<Qt::Key>(key));
    };
}

DialogAnswerer::Step Inspect(std::function<void(QDialog*)> look, DialogAnswerer::Step then)
{
    return [look = std::move(look), then = std::move(then)](QDialog* dialog) {
        look(dialog);
        then(dialog);
    };
}
