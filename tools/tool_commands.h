// The sub-commands of quorvel-tool; each returns the process exit code.
#pragma once

int RunInfo(int argc, char** argv);       // quorvel-tool info IMAGE
int RunDecode(int argc, char** argv);     // quorvel-tool decode IMAGE OUT.pam
int RunCheck(int argc, char** argv);      // quorvel-tool check LABYRINTH [--palette FILE]
int RunGenerate(int argc, char** argv);   // quorvel-tool generate W H OUT [--seed N] [--palette FILE]
// argv[0] is the sub-command's name; the rest are its arguments.
