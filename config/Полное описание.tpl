{\rtf1\ansi\ansicpg1251\deff0\deflang1049
{\fonttbl{\f0\froman\fcharset204 $*env_fname*;}{\f1\fswiss\fcharset204 Arial;}{\f2\ftech\fcharset2 Symbol;}}
{\colortbl;\red0\green0\blue0;\red192\green0\blue0;\red0\green0\blue128;}
\f0\fs$*env_fsize*
${for(env_istart, env_istart + env_icount - 1, 1)}$@dbs_print(_LV0)@$*dbs_go(_LV0)*
{\pard\sb240\sa60\keepn{$*env_nummode* Документ $*dbs_rno(_LV0)* из $*dbs_fnd*}$@dbs_pmark && dbs_mark(_LV0)@ {\b\cf2 • отмечен}$@@\par}
$@rec_ID@{\pard\fi-2400\li2400{\b Ид. док-та:}\tab $*rec_ID*\par}
$@@$@rec_TI@{\pard\fi-2400\li2400{\b Заглавие:}\tab $*rec_TI*\par}
$@@$@rec_AU@{\pard\fi-2400\li2400{\b Авторы:}\tab $*rec_AU*\par}
$@@$@rec_SO@{\pard\fi-2400\li2400{\b Источник:}\tab $*rec_SO*\par}
$@@$@rec_PY@{\pard\fi-2400\li2400{\b Год публикации:}\tab $*rec_PY*\par}
$@@$@rec_LA@{\pard\fi-2400\li2400{\b Язык:}\tab $*rec_LA*\par}
$@@$@rec_CC@{\pard\fi-2400\li2400{\b Код страны:}\tab $*rec_CC*\par}
$@@$@rec_DT@{\pard\fi-2400\li2400{\b Вид документа:}\tab $*rec_DTN* ($*rec_DT*)\par}
$@@$@rec_KW@{\pard\fi-2400\li2400{\b Ключевые слова:}\tab $*rec_KW*\par}
$@@$@rec_DB@{\pard\fi-2400\li2400{\b Рубрики:}\tab $*rec_DB*\par}
$@@$@rec_G36@{\pard\fi-2400\li2400{\b Раздел:}\tab $*rec_G36*$@rec_content@ {\cf3 $*rec_content*}$@@\par}
$@@$@rec_AB@{\pard\fi-2400\li2400\qj{\b Реферат:}\tab $*rec_AB*\par}
$@@$@@${}}
