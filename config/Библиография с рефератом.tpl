{\rtf1\ansi\ansicpg1251\deff0\deflang1049
{\fonttbl{\f0\froman\fcharset204 $*env_fname*;}{\f1\fswiss\fcharset204 Arial;}{\f2\ftech\fcharset2 Symbol;}}
{\colortbl;\red0\green0\blue0;\red192\green0\blue0;\red0\green0\blue128;}
\f0\fs$*env_fsize*
${for(env_istart, env_istart + env_icount - 1, 1)}$@dbs_print(_LV0)@$*dbs_go(_LV0)*
$@rec_content@{\pard\sb240\sa60\keepn\f1\b\cf3 $*rec_content*\par}
$@@{\pard\sb120\sa60\keepn{$*env_nummode* Документ $*dbs_rno(_LV0)* из $*dbs_fnd*}$@dbs_pmark && dbs_mark(_LV0)@ {\b\cf2 • отмечен}$@@\par}
{\pard\sa60 $*rec_BIB*\par}
$@rec_AB@{\pard\sa60\qj{\i Реферат.} $*rec_AB*\par}
$@@$@rec_KW@{\pard\sa120{\i Ключевые слова:} $*rec_KW*\par}
$@@$@@${}}
