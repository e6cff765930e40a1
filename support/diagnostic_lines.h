// The fixed line numbers that every diagnostic line carries after its source label.
#pragma once

// They are part of the trace format, which users read and compare with the wrapper script's own
// trace, and not the lines of these sources: each keeps its number wherever its code moves.

// The launch sequence.
constexpr int line_unrecognized_option = 220;
constexpr int line_banner = 230;
constexpr int line_argv_zero = 231;
constexpr int line_program_name = 232;
constexpr int line_could_not_find = 236;
constexpr int line_found_before_links = 237;
constexpr int line_found_after_links = 242;
constexpr int line_target_name = 265;
constexpr int line_qn_argv_zero = 308;
constexpr int line_newargz = 312;
constexpr int line_launch_failed = 322;

// Allocation.
constexpr int line_memory_exhausted = 335;

// The search for the launcher's own executable.
constexpr int line_check_executable = 369;
constexpr int line_find_executable = 414;
constexpr int line_getcwd_path_entry = 468;
constexpr int line_getcwd_final = 494;

// strip_suffix's preconditions.
constexpr int line_assert_text = 572;
constexpr int line_assert_pattern = 573;

// The environment set-up.
constexpr int line_setenv = 637;
constexpr int line_update_exe_path = 687;
constexpr int line_update_lib_path = 708;
