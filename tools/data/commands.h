// The commands of invitation-data; each takes the arguments after its name and
// returns the exit status.
#pragma once

int RunDataBuild(int argc, char** argv);
int RunDataCheck(int argc, char** argv);
int RunDataDecode(int argc, char** argv);
