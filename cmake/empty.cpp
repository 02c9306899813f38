// Stands in for a library directory that has no sources yet.
