# widl turns a Variant parameter's default into a C++ default argument that does not compile
# (a number for a VARIANT*). The defaults stay in the type library, where callers see them,
# with the type cmake/typelib-variant-defaults.pl gives them.
file(READ "${HEADER}" text)
string(REGEX REPLACE "(VARIANT \\*[A-Za-z_0-9]+) = [^,)]+" "\\1" text "${text}")
# Likewise a by-reference Boolean defaulting to True (-1): a pointer cannot take that default.
string(REGEX REPLACE "(VARIANT_BOOL \\*[A-Za-z_0-9]+) = -1" "\\1" text "${text}")
# And a by-reference Long with a non-zero default (the icon index -1, for one).
string(REGEX REPLACE "(LONG \\*[A-Za-z_0-9]+) = -?[1-9][0-9]*" "\\1" text "${text}")
# And a by-reference String whose text default cmake/typelib-idl-text.pl writes into the library
# (the 0 is only widl's placeholder, not the default).
string(REGEX REPLACE "(BSTR \\*[A-Za-z_0-9]+) = 0" "\\1" text "${text}")
# A parameter left without its default takes the defaults of those before it too: C++ allows
# defaults only on trailing parameters.
set(before "")
while(NOT before STREQUAL text)
  set(before "${text}")
  string(REGEX REPLACE "([A-Za-z_0-9]+) = [^,)\n]+,(\n *[A-Za-z_0-9]+ \\*+[A-Za-z_0-9]+[,)])" "\\1,\\2" text "${text}")
endwhile()
file(WRITE "${HEADER}" "${text}")
