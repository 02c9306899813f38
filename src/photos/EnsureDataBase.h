// The photo table and the photo directory of a project, made when a project has been loaded.
#pragma once

// Creates the table Fotos in the project database unless a table of that name (in any letter
// case) is there. Errors travel to the caller; no data module is left behind on any path.
void EnsureTableFotos();
// Creates the project's photo directory (one level) unless it exists; failure is not reported.
void EnsureSubDirFotos();
