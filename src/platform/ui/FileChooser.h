#pragma once

#include <QString>

class QFileDialog;
class QWidget;

// Every file chooser of the program goes through here: Qt's own widget dialog (the same on every
// desktop and offscreen, in Spanish through CFrameworkTranslator) with its labels worded as the
// program words them. Call after the dialog's accept and file modes are set.
void PrepareFileChooser(QFileDialog& dialog);

// The usual questions through a prepared dialog; empty when the operator cancels. `filter` as
// QFileDialog takes it ("Formatos (*.qvf);;Todos (*)"); `start` a folder or a proposed file.
QString ChooseFileToOpen(QWidget* parent, const QString& title, const QString& start, const QString& filter);
QString ChooseFileToSave(QWidget* parent, const QString& title, const QString& start, const QString& filter);
QString ChooseFolder(QWidget* parent, const QString& title, const QString& start);
