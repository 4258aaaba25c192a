// The circuit board commands of the main window: Open Gerber and PC Board.
#pragma once

namespace tibrel {

// The Open Gerber file filter: the usual copper-layer extensions, then all files.
inline constexpr const char* GerberFileFilter =
    "Gerber Files (*.gbr *.ger *.gbx *.gtl *.gbl *.cmp *.sol *.GBR *.GER *.GBX *.GTL *.GBL *.CMP *.SOL);;"
    "GER Files (*.ger *.GER);;GBR Files (*.gbr *.GBR);;GBL Files (*.gbl *.GBL);;All Files (*)";

}  // namespace tibrel
