# Run by cpack (CPACK_PROJECT_CONFIG_FILE and CPACK_POST_BUILD_SCRIPTS of cmake/packaging.cmake),
# so that the packages hold the same bytes whenever and by whomever they are made.
# - Before packaging: SOURCE_DATE_EPOCH is the value the build was configured with, which the
#   DEB generator gives every member of the .deb as its time.
# - After packaging: the DEB generator gives the three members of the .deb's ar archive the
#   permissions the umask left them; they are set to 644 in place, as dpkg-deb writes them.
#   The ZIP generator takes its times from SOURCE_DATE_EPOCH too, but keeps the order in
#   which the file system lists the files and the builder's user and group ids, so each .zip
#   is rewritten by strip-nondeterminism: members sorted by name, every time
#   SOURCE_DATE_EPOCH, permissions 644 or 755, no owners.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_VANDLOR2_SOURCE_DATE_EPOCH}")

# An ar archive: "!<arch>\n", then per member a 60-byte header of text fields, the mode at
# bytes 40-47, the size at 48-57, and the data padded to an even length.
set(ar_member_modes [=[
  open(my $f, "+<", $ARGV[0]) or die "$ARGV[0]: $!\n";
  binmode $f;
  my ($magic, $header);
  read($f, $magic, 8) == 8 && $magic eq "!<arch>\n" or die "$ARGV[0]: not an ar archive\n";
  my $at = 8;
  while (read($f, $header, 60) == 60) {
    seek($f, $at + 40, 0);
    print $f "100644  ";
    my $size = substr($header, 48, 10) + 0;
    $at += 60 + $size + $size % 2;
    seek($f, $at, 0);
  }
  close($f) or die "$ARGV[0]: $!\n";
]=])

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.deb$")
    execute_process(COMMAND perl -e "${ar_member_modes}" ${package} COMMAND_ERROR_IS_FATAL ANY)
  elseif(package MATCHES "\\.zip$")
    find_program(VANDLOR2_STRIP_NONDETERMINISM strip-nondeterminism)
    if(NOT VANDLOR2_STRIP_NONDETERMINISM)
      message(FATAL_ERROR "strip-nondeterminism is missing; it fixes the times and order in "
                          "the .zip: apt-get install strip-nondeterminism")
    endif()
    execute_process(COMMAND ${VANDLOR2_STRIP_NONDETERMINISM} --type zip
                            --timestamp ${CPACK_VANDLOR2_SOURCE_DATE_EPOCH} ${package}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
