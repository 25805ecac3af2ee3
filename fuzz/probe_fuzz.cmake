# The media probe and one short conversion on arbitrary bytes written to a file.
zanto_add_fuzzer(probe_fuzz ProbeFuzz.cpp)
target_link_libraries(probe_fuzz PRIVATE zanto_engine)
