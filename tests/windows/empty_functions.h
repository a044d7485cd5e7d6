// Two functions with the same empty body and different calling conventions on 32-bit Windows:
// a virtual member (thiscall: the callee pops its arguments) and a static function (cdecl: the
// caller does). Requires nothing. Does not: call them (calling_conventions.cpp does).
#pragma once

struct Node {
};

struct Action {
    virtual ~Action() = default;
    virtual void end(Node *node);
    static void nothing(Action *action, Node *node);
};

Action *make_action(void);
extern void (*const nothing_pointer)(Action *, Node *);
