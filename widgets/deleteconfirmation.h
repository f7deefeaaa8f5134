#ifndef DELETECONFIRMATION_H
#define DELETECONFIRMATION_H

class QWidget;

// The question asked before items leave the library; No is the default answer.
class DeleteConfirmation
{
public:
    static bool ask(QWidget *parent);
};

#endif // DELETECONFIRMATION_H
