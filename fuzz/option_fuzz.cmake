# The option text parser and the SetOption dispatcher behind a stand-in task.
zanto_add_fuzzer(option_fuzz OptionFuzz.cpp)
target_link_libraries(option_fuzz PRIVATE zanto_engine_options)
