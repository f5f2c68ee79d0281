// Times the editor window on one large file: opening it, saving it unchanged,
// replacing every match of a word ("Yes to all" at the first question), and
// the longest freeze while typing in it. Prints key=value lines for
// bench/editor.sh. With --open it only opens the file and tells the
// process's peak memory.
//
//   editor_bench FILE WORD REPLACEMENT
//   editor_bench --open FILE
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <cstdio>

#include <sys/resource.h>
#include <time.h>

#include "NotepadEditor.h"
#include "RecordingToolHost.h"
#include "TestEnvironment.h"
#include "dlgConfirmReplace.h"
#include "dlgReplaceText.h"
#include "fmNotepad.h"

namespace {

void settle(QWidget& window) {
    QApplication::processEvents();
    window.repaint();  // a full paint, styling what is visible
    QApplication::processEvents();
}

// The processor time of this thread: the machines the bench runs on are
// shared, and wall times there stretch with everyone else's work.
qint64 threadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The longest single keystroke including the repaint that follows it: its
// wall time and the processor time of this thread.
struct Keystroke {
    qint64 wallNs = 0;
    qint64 cpuNs = 0;
};

// Types `keys` keystrokes at `line`.
Keystroke typeAt(TfrmNotepad& window, int line, int keys) {
    NotepadEditor* editor = window.editor();
    editor->setCursorPosition(line, 0);
    editor->ensureLineVisible(line);
    settle(window);
    Keystroke longest;
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer timer;
        timer.start();
        const qint64 cpuStart = threadCpuNs();
        if (i % 20 == 19) {
            QTest::keyClick(editor, Qt::Key_Return);
        } else {
            QTest::keyClick(editor, char('a' + i % 26));
        }
        settle(window);
        const qint64 wall = timer.nsecsElapsed();
        const qint64 cpu = threadCpuNs() - cpuStart;
        longest.wallNs = std::max(longest.wallNs, wall);
        longest.cpuNs = std::max(longest.cpuNs, cpu);
        if (qEnvironmentVariableIsSet("EDITOR_BENCH_KEYS")) {
            std::fprintf(stderr, "key %d line %d: %.1f ms (%.1f ms processor)\n", i, line,
                         wall / 1e6, cpu / 1e6);
        }
    }
    return longest;
}

}  // namespace

int main(int argc, char** argv) {
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    const bool openOnly = argc == 3 && QByteArray(argv[1]) == "--open";
    if (argc < 4 && !openOnly) {
        std::fprintf(stderr, "usage: editor_bench FILE WORD REPLACEMENT | --open FILE\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[openOnly ? 2 : 1]);
    const QString word = openOnly ? QString() : QString::fromLocal8Bit(argv[2]);
    const QString replacement = openOnly ? QString() : QString::fromLocal8Bit(argv[3]);

    RecordingToolHost host;
    TfrmNotepad window(host);
    window.resize(1000, 700);
    window.show();
    settle(window);

    QElapsedTimer timer;
    host.scripted.answer(file);
    const qint64 openCpuStart = threadCpuNs();
    timer.start();
    window.TBXOpenClick();
    settle(window);
    const qint64 openNs = timer.nsecsElapsed();
    const qint64 openCpuNs = threadCpuNs() - openCpuStart;
    if (window.fileName().isEmpty()) {
        std::fprintf(stderr, "open failed\n");
        return 1;
    }
    if (openOnly) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("open_ms=%.1f\nopen_cpu_ms=%.1f\npeak_kb=%ld\n", double(openNs) / 1e6,
                    double(openCpuNs) / 1e6, usage.ru_maxrss);
        return 0;
    }

    timer.restart();
    window.TBXSaveClick();
    const qint64 saveNs = timer.nsecsElapsed();

    // Typing near the top, then in the middle and at the end of the document.
    const int lines = window.editor()->lines();
    const Keystroke typeTop = typeAt(window, 10, 60);
    timer.restart();
    window.editor()->setCursorPosition(lines / 2, 0);
    window.editor()->ensureLineVisible(lines / 2);
    settle(window);
    const qint64 jumpMiddle = timer.nsecsElapsed();
    const Keystroke typeMiddle = typeAt(window, lines / 2, 60);
    timer.restart();
    window.editor()->setCursorPosition(window.editor()->lines() - 1, 0);
    window.editor()->ensureLineVisible(window.editor()->lines() - 1);
    settle(window);
    const qint64 jumpEnd = timer.nsecsElapsed();
    const Keystroke typeEnd = typeAt(window, window.editor()->lines() - 1, 60);
    for (int i = 0; i < 200; ++i) {
        window.editor()->undo();
    }
    settle(window);

    int questions = 0;
    window.setDialogRunner([&](QDialog& dialog) {
        if (auto* replace = dynamic_cast<TTextReplaceDialog*>(&dialog)) {
            replace->setSearchText(word);
            replace->setReplaceText(replacement);
            replace->setSearchCaseSensitive(true);
            replace->accept();
            return replace->result();
        }
        ++questions;
        return int(TConfirmReplaceDialog::YesToAll);
    });
    window.editor()->setCursorPosition(0, 0);
    timer.restart();
    window.TBXReplaceClick();
    settle(window);
    const qint64 replaceNs = timer.nsecsElapsed();

    QFile out(file + ".replaced");
    if (!out.open(QIODevice::WriteOnly)) {
        return 1;
    }
    out.write(window.editor()->bytes().data(), window.editor()->bytes().size());
    out.close();

    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    std::printf("open_cpu_ms=%.1f\n", ms(openCpuNs));
    std::printf("open_ms=%.1f\nsave_ms=%.1f\nreplace_ms=%.1f\nquestions=%d\n", ms(openNs),
                ms(saveNs), ms(replaceNs), questions);
    std::printf("type_top_max_ms=%.1f\ntype_middle_max_ms=%.1f\ntype_end_max_ms=%.1f\n",
                ms(typeTop.wallNs), ms(typeMiddle.wallNs), ms(typeEnd.wallNs));
    std::printf("type_top_max_cpu_ms=%.1f\ntype_middle_max_cpu_ms=%.1f\ntype_end_max_cpu_ms=%.1f\n",
                ms(typeTop.cpuNs), ms(typeMiddle.cpuNs), ms(typeEnd.cpuNs));
    std::printf("accessibility_active=%d\n", QAccessible::isActive() ? 1 : 0);
    std::printf("jump_middle_ms=%.1f\njump_end_ms=%.1f\nlines=%d\n", ms(jumpMiddle), ms(jumpEnd),
                lines);
    window.editor()->setModified(false);
    return 0;
}
