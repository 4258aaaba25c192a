#include "cli/help.h"

#include <algorithm>

namespace tibrel {

namespace {

struct Option {
  const char* Name;
  const char* Text;
};

struct Command {
  const char* Name;
  const char* Synopsis;
  const char* Text;
  std::vector<Option> Options;
};

const Option SelectOption = {
    "--select RULE",
    "Run a selection rule; repeat for several, run in order: all, all-open, all-closed (island detection), pcb "
    "(all as islands), empty-circles, window:X1,Y1,X2,Y2, region:N (a boundary and its islands), single:N, "
    "boundary:N, island:B,N, deselect-all."};
const Option JsonOption = {"--json", "Print one JSON object instead of text."};
const std::vector<Option> FieldOptions = {
    {"--config NAME", "Take the fields from this configuration of Configurations.cfg (\"LAST\" by default)."},
    {"--set KEY=VALUE",
     "Set one field by its key in Configurations.cfg (RoughDiameter, RoughStepXY, RoughStepZ, StockToLeave, RoughFeed, "
     "RoughPlunge, RoughRPM, RapidHeight, StartAt, Increment, FinishPass=True, Finish, FinishDiameter, Entry, Exit, "
     "EntryLength, ExitLength, Compensation, Linear=True, ...); repeatable."},
    {"--depth D", "The depth field (1 unless given; 0 keeps each region's own depth)."}};

std::vector<Option> Join(std::vector<std::vector<Option>> parts) {
  std::vector<Option> all;
  for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"info", "info DRAWING [--json] [--order N,M,...] [--select RULE]...",
       "Open a drawing as the program does and report the status line, the drawing's unit and one line per region "
       "(number, open or closed, entities, box, direction, depth, selection).",
       {JsonOption,
        {"--order N,M,...", "Set the machining order by region numbers before the rules run (clears the selection)."},
        SelectOption}},
      {"export-dxf", "export-dxf DRAWING -o OUT.dxf",
       "Write the drawing's regions as a DXF file (Save Geometry DXF), with the drawing's unit in its header.",
       {{"-o OUT.dxf", "The file to write."}}},
      {"pocket", "pocket DRAWING --select RULE... [options] -o OUT.nc",
       "Clear the selected boundaries down to their depth around their islands, and write the NC program.", {}},
      {"contour", "contour DRAWING --select RULE... [options] -o OUT.nc",
       "Cut along the selected regions (right, left, on them or as a cut-out), and write the NC program.", {}},
      {"drill", "drill DRAWING --select RULE... [options] -o OUT.nc",
       "Drill one hole at the centre of each selected closed region, and write the NC program.", {}},
      {"pcb", "pcb BOARD [options] -o OUT.nc",
       "Open a Gerber copper layer, select all as islands (PCB) and route around the copper, and write the NC program.",
       {}},
      {"prototype", "prototype MODEL.stl [options] -o OUT.nc",
       "Machine an STL model as the Stl Machining dialog does: a roughing raster and an optional finishing raster "
       "from a height grid with gouge control, written as an NC program. Also: info MODEL.stl [--json].",
       {{"--config NAME", "Take the fields from this configuration of Configurations.cfg (\"LAST\" by default)."},
        {"--set KEY=VALUE", "Set one field by its key in Configurations.cfg (RoughType and FinishType: 0 End, 1 Ball, 2 V); repeatable."},
        {"--rough-direction x|y", "The roughing raster runs along X or along Y."},
        {"--finish-direction x|y|none", "The finishing raster runs along X or Y, or there is none."},
        {"--rough-step-y S", "The roughing step across the rows (the X step unless given)."},
        {"--finish-step-y S", "The finishing step across the rows (the X step unless given)."},
        {"--female", "Machine the model as a mould: the inside of the blank."},
        {"--margin M", "The blank is the model's box grown by M."},
        {"--blank X1,Y1,Z1,X2,Y2,Z2", "The blank's corners."},
        {"--post NAME", "The post processor of Posts.cfg (else the one Options.cfg names)."},
        {"--posts FILE", "Read the posts from FILE instead of Posts.cfg."},
        {"-o OUT.nc", "The NC program to write."},
        {"--json", "Print a report of the layers."}}},
      {"nc", "nc PROGRAM [--post NAME] [--json]",
       "Read an NC program as the editor does, through the post's words: its moves, tool changes, extents and "
       "estimated run time.",
       {{"--post NAME", "The post whose words the program is read with (else the one Options.cfg names)."},
        {"--json", "Print one JSON object instead of text."}}},
      {"renumber", "renumber PROGRAM [--start N] [--increment N] [--no-space] [--remove] [--post NAME] -o OUT",
       "Number the lines of an NC program with the post's line number word, as the renumber dialog does.",
       {{"--start N", "The first number."},
        {"--increment N", "The step between numbers."},
        {"--no-space", "No space after the number."},
        {"--remove", "Take the numbers away instead."},
        {"--post NAME", "The post whose line number word is used."},
        {"-o OUT", "The file to write."}}},
      {"text", "text STRING (--origin X,Y | --arc CX,CY,R[,ANGLE]) [options] -o OUT.dxf",
       "Set text in a TrueType face as the Add Text dialog does and write its outlines as closed regions of a "
       "geometry DXF.",
       {{"--font FACE", "The face (found through fontconfig; a face that is missing is told and replaced)."},
        {"--bold", "Bold."},
        {"--italic", "Italic."},
        {"--precision N", "Pieces per curve of the outlines, 1 to 100."},
        {"--height H", "The height field: the outline is scaled by H/1024."},
        {"--align left|center|right", "Alignment on the origin or the arc's top."},
        {"--origin X,Y", "Set the text along a line from this point."},
        {"--arc CX,CY,R[,ANGLE]", "Set the text round an arc; ANGLE is degrees clockwise from the top."},
        {"--into DRAWING", "Add the text to this drawing's regions."},
        {"-o OUT.dxf", "The file to write."},
        {"--json", "Print the report of info --json."}}},
      {"render", "render DRAWING [--select RULE]... [--operation OP [field options]] [--view 2d|3d] [--size WxH] -o OUT.png",
       "Draw the drawing, or the toolpaths of an operation, into a PNG with the view's own drawing code.",
       Join({{SelectOption,
              {"--operation pocket|contour|drill|pcb", "Make the operation's toolpaths and draw them."},
              {"--gerber", "Read the file as a Gerber copper layer whatever its name."},
              {"--post NAME", "For an NC program (any file but .dxf, .stl or a Gerber layer): the post whose "
                              "words it is read with; the program's moves are drawn."}},
             FieldOptions,
             {{"--view 2d|3d", "The plan view (default) or the turned 3D view."},
              {"--size WxH", "The picture's size in pixels."},
              {"-o OUT.png", "The file to write."},
              {"MODEL.stl", "An STL model is drawn shaded on its grid in its blank (the turned 3D view unless "
                            "--view 2d), and the view's status (\"Tris N\", or \"Tool N\" with the points of the "
                            "3D toolpaths) is printed."},
              {"--operation prototype", "For a model: machine it as prototype does and draw its 3D toolpaths "
                                        "(over the model when the option Show Boundaries is on); --config, --set, "
                                        "--rough-direction x|y, --finish-direction x|y|none, --female, "
                                        "--rough-step-y S, --finish-step-y S and --margin M or --blank "
                                        "X1,Y1,Z1,X2,Y2,Z2 as prototype takes them."}}})},
  };
  return commands;
}

const std::vector<Option>& OperationOptions() {
  static const std::vector<Option> options =
      Join({{SelectOption},
            FieldOptions,
            {{"--post NAME", "The post processor of Posts.cfg (else the one Options.cfg names)."},
             {"--posts FILE", "Read the posts from FILE instead of Posts.cfg."},
             {"--units mm|inch",
              "What the drawing's numbers are in for this run, whatever its file or the options say; only the "
              "program's units word follows, nothing is scaled."},
             {"-o OUT.nc", "The NC program to write."},
             {"--dxf OUT.dxf", "Also write the toolpaths as DXF."},
             {"--json", "Print the report of info --json with the toolpaths and the final message."}}});
  return options;
}

const std::vector<Option>& OptionsOf(const Command& c) {
  const std::string name = c.Name;
  return name == "pocket" || name == "contour" || name == "drill" || name == "pcb" ? OperationOptions() : c.Options;
}

const Command* Find(const std::string& name) {
  for (const auto& c : Commands())
    if (name == c.Name) return &c;
  return nullptr;
}

// Wraps text at 78 columns, each line indented by indent spaces.
void Wrapped(std::ostream& out, const std::string& text, size_t indent) {
  size_t column = indent;
  out << std::string(indent, ' ');
  size_t i = 0;
  while (i < text.size()) {
    size_t j = text.find(' ', i);
    if (j == std::string::npos) j = text.size();
    const std::string word = text.substr(i, j - i);
    if (column > indent && column + 1 + word.size() > 78) {
      out << '\n' << std::string(indent, ' ');
      column = indent;
    } else if (column > indent) {
      out << ' ';
      ++column;
    }
    out << word;
    column += word.size();
    i = j + 1;
  }
  out << '\n';
}

void CommandHelp(std::ostream& out, const Command& c) {
  out << "usage: tibrel-cli " << c.Synopsis << "\n\n";
  Wrapped(out, c.Text, 2);
  const auto& options = OptionsOf(c);
  if (!options.empty()) out << "\noptions:\n";
  for (const auto& o : options) {
    out << "  " << o.Name << '\n';
    Wrapped(out, o.Text, 6);
  }
}

void OverallHelp(std::ostream& out) {
  out << "usage: tibrel-cli COMMAND [ARGUMENTS]\n\n"
         "Tibrel's command line: the program's Open, Select, Pocket, Contour, Drill and\n"
         "Save commands on drawings, with the settings files of the program folder.\n\n"
         "commands:\n";
  for (const auto& c : Commands()) {
    out << "  " << c.Name << '\n';
    Wrapped(out, c.Text, 6);
  }
  out << "\n'tibrel-cli COMMAND --help' describes a command and its options.\n"
         "Ctrl-C stops a long run; nothing is written then.\n";
}

// Roff needs its escape character and leading dots and quotes escaped.
std::string Roff(const std::string& text) {
  std::string r;
  for (char ch : text) {
    if (ch == '\\') r += "\\e";
    else if (ch == '-') r += "\\-";
    else r += ch;
  }
  if (!r.empty() && (r[0] == '.' || r[0] == '\'')) r.insert(0, "\\&");
  return r;
}

}  // namespace

void WriteManualPage(std::ostream& out) {
  out << ".TH TIBREL-CLI 1 \"\" \"Tibrel\" \"User Commands\"\n"
         ".SH NAME\ntibrel\\-cli \\- toolpaths and G\\-code from DXF drawings\n"
         ".SH SYNOPSIS\n.B tibrel\\-cli\n.I COMMAND\n[\\fIARGUMENTS\\fR]\n"
         ".SH DESCRIPTION\nThe command line of Tibrel: the program's Open, Select, Pocket, Contour, Drill and Save "
         "commands on drawings, with the settings files (Posts.cfg, Options.cfg, Configurations.cfg) of the program "
         "folder.\n"
         ".SH COMMANDS\n";
  for (const auto& c : Commands()) {
    out << ".SS " << Roff(c.Name) << "\n.B tibrel\\-cli " << Roff(c.Synopsis) << "\n.PP\n" << Roff(c.Text) << '\n';
    for (const auto& o : OptionsOf(c)) out << ".TP\n.B " << Roff(o.Name) << '\n' << Roff(o.Text) << '\n';
  }
  out << ".SH EXIT STATUS\n0 on success; 1 when the drawing cannot be read, no toolpath was made, or the arguments "
         "are wrong.\n";
}

bool AnswerHelp(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, int& status) {
  auto isHelp = [](const std::string& a) { return a == "--help" || a == "-h" || a == "help"; };
  status = 0;
  if (args.size() == 1 && args[0] == "--man") {
    WriteManualPage(out);
    return true;
  }
  if (args.empty()) return false;
  std::string name;
  if (isHelp(args[0])) {
    if (args.size() == 1) {
      OverallHelp(out);
      return true;
    }
    name = args[1];
  } else if (std::any_of(args.begin() + 1, args.end(), [](const std::string& a) { return a == "--help" || a == "-h"; })) {
    name = args[0];
  } else {
    return false;
  }
  if (const Command* c = Find(name)) {
    CommandHelp(out, *c);
    return true;
  }
  err << "tibrel-cli: no command " << name << "\n\n";
  OverallHelp(err);
  status = 1;
  return true;
}

}  // namespace tibrel
