// The environment the target inherits: shell-mode variables and directory lists in front of PATH.
#pragma once

// Hands "name=value" to the environment; a refused assignment is dropped silently.
void qn_setenv(const char* name, const char* value);

// Puts the directory list `value` ("a;b;") in front of variable `name` and drops every trailing
// ";": with PATH "p;" the result is "a;b;p", with PATH unset "a;b".
void qn_update_exe_path(const char* name, const char* value);

// Puts `value` in front of variable `name` as it is: with PATH "p;" the result is "a;b;p;".
void qn_update_lib_path(const char* name, const char* value);
