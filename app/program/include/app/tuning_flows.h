#pragma once
// What the main window's Optimize now and Restore buttons do around the
// tuning engine: the question, the progress window's paced steps, the
// restart question.
namespace zephrin {

class MainWindow;
class ProgressWindow;

void RunOptimize(MainWindow& main, ProgressWindow& progress);
void RunRestore(MainWindow& main, ProgressWindow& progress);

}  // namespace zephrin
