// The program's script classes: every module's creators, registered once before the entry
// function runs (see kernel/scripts.h), and the device backends the program uses.
#pragma once

// Every script class of the program (the fuzzing of scripts registers the same ones).
void vizuzuze_register_creators();
// The classes, then the backends: drawing through OpenGL.
void vizuzuze_prepare();
