#include "front.hpp"
#include "writer.hpp"

int main(int argc, char** argv, char** envp)
{
	standard_options(argc, argv);
	for (char** e = envp; *e; ++e)
		writer_print(writer_out, *e, "\n", nullptr);
	writer_flush(writer_out);
	return 0;
}
