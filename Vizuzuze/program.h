// The program's script classes: every module's creators, registered once before the entry
// function runs (see kernel/scripts.h), and the device backends the program uses.
#pragma once

void vizuzuze_prepare();
