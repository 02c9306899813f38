// The import of a checked-out transaction; here the photo exchange table and directory.
#pragma once

#include <string>

// Copies the pictures of ImportDir\DirName into the project's photo directory and enters the
// photos of ImportDir\ImportFileName into Fotos. Does nothing without the exchange table or the
// photo directory; refuses when both directories are one.
void ImportFotos(const std::string& ImportFileName, const std::string& DirName, const std::string& ImportDir);
// Enters each photo of the exchange table whose id Fotos does not hold yet, as from VESTRA.
void ImportFotoList(const std::string& ImportFileName, const std::string& ImportDir);
