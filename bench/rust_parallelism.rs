// Rust's answer to "how many processors may I use", as one C function for the benchmarks.
#[no_mangle]
pub extern "C" fn rust_available_parallelism() -> usize {
    std::thread::available_parallelism().map(|n| n.get()).unwrap_or(1)
}
