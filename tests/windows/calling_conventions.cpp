// Calls an empty virtual member and an empty static function, each twice and each in its own
// convention, from functions that restore their registers relative to the stack pointer. Where
// the compiler has folded the two into one body, one of the conventions leaves the stack a word
// off, and the program crashes or returns the wrong sum. Exit status 0 when both sums are right.
#include "empty_functions.h"

#include <cstdio>

namespace
{

__attribute__((noinline)) int through_member(Action *action, Node *node)
{
    int result = 7;
    action->end(node);
    action->end(node);
    return result;
}

__attribute__((noinline)) int through_pointer(void (*function)(Action *, Node *), Action *action,
                                              Node *node)
{
    int result = 5;
    function(action, node);
    function(action, node);
    return result;
}

} // namespace

int main(void)
{
    Node node;
    Action *action = make_action();
    int sum = through_member(action, &node) + through_pointer(nothing_pointer, action, &node);
    delete action;
    printf("%d\n", sum);
    return sum == 12 ? 0 : 1;
}
